#include "harness/portable/platform/startup.hpp"

namespace zevra_harness::detail {

// No signals, and the stack is the module's own: nothing to set up.
void startUp() {}

}  // namespace zevra_harness::detail

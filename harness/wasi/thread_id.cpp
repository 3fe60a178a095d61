#include "harness/portable/platform/thread_id.hpp"

namespace zevra_harness::detail {

long currentThreadId() { return 1; }

}  // namespace zevra_harness::detail

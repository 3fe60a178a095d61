#include "harness/portable/platform/thread_id.hpp"

#include <unistd.h>

namespace zevra_harness::detail {

long currentThreadId() { return static_cast<long>(::gettid()); }

}  // namespace zevra_harness::detail

#include "zevra_harness/status.hpp"

#include "harness/portable/core/session.hpp"

namespace zevra_harness::detail {

void traceRaise(std::source_location loc) { session().failure_trace.raise(loc); }
void tracePassBack(std::source_location loc) { session().failure_trace.passBack(loc); }

}  // namespace zevra_harness::detail

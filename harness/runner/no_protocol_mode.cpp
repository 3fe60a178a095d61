// A build without the protocol front end (WASI: no pipes to a build runner,
// no signals for its fault reports) still reads --listen=-, and stops there.
#include "harness/portable/diagnostics/fatal.hpp"
#include "harness/runner/protocol_mode.hpp"

namespace zevra_harness::detail {

Error mainServer(Registry) { fatal("this build has no protocol mode"); }

}  // namespace zevra_harness::detail

#include "harness/print.hpp"
#include "harness/runner.hpp"

namespace zevra_harness {

// The build-runner protocol is not served by this build yet.
Error mainServer(Registry) {
  print("protocol mode is not available in this build\n");
  return BrokenPipe;
}

}  // namespace zevra_harness

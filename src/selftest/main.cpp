// zevra-selftest: the harness with the registry of the engine's modules.
#include "zevra_harness/main.hpp"

#include <cstdlib>

#include "selftest/registry.hpp"

// Ends without the C++ runtime's exit-time destructors: nothing is left to
// flush (standard error is written unbuffered) or to release, and running
// them faults in code pages that nothing else uses. A sanitizer build exits
// normally, for the leak check that runs at exit.
int main(int argc, char** argv) {
  const int status = zevra_harness::runMain(zevra_selftest::test_functions, argc, argv);
#if !defined(__SANITIZE_ADDRESS__)
  std::_Exit(status);
#endif
  return status;
}

// zevra-selftest: the harness with the registry of the engine's modules.
#include "zevra_harness/main.hpp"

#include "selftest/registry.hpp"

int main(int argc, char** argv) {
  return zevra_harness::runMain(zevra_selftest::test_functions, argc, argv);
}

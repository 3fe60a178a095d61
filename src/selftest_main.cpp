// zevra-selftest: the harness with the registry of the engine's modules, in
// the fixed order app, input, gpu, kernel.
#include "harness/registry.hpp"
#include "harness/runner.hpp"
#include "zevra_app/tests.hpp"
#include "zevra_gpu/tests.hpp"
#include "zevra_input/tests.hpp"
#include "zevra_kernel/tests.hpp"

namespace {
constexpr auto test_functions = zevra_harness::joinTests(
    zevra_app::test::tests, zevra_input::test::tests, zevra_gpu::test::tests,
    zevra_kernel::test::tests);
}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(test_functions, argc, argv); }

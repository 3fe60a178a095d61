// The self-test's registry with one entry replaced, to show the summary forms
// of a real run: a skip at the end, or the seventh test failing.
#include <array>

#include "selftest/registry.hpp"
#include "zevra_harness/main.hpp"

namespace {

using zevra_harness::Status;

[[maybe_unused]] Status skips() { return zevra_harness::skip(); }

[[maybe_unused]] Status failsApprox() { return zevra_harness::expectApproxEqAbs(1.0, 1.5, 1e-6); }

consteval auto variant() {
  auto tests = zevra_selftest::test_functions;
#if defined(VARIANT_SKIP_LAST)
  tests.back().func = &skips;
#elif defined(VARIANT_FAIL_SEVENTH)
  tests[6].func = &failsApprox;
#endif
  return tests;
}

constexpr auto tests = variant();

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

// A runner whose tests pass, skip, fail in each assertion primitive and log,
// so that the terminal output can be compared byte for byte.
#include <array>

#include "zevra_harness/log.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {

using zevra_harness::Status;

Status passes() { return zevra_harness::expect(1 + 1 == 2); }

Status skips() { return zevra_harness::skip(); }

Status failsExpect() {
  ZEVRA_TRY(zevra_harness::expect(true));
  ZEVRA_TRY(zevra_harness::expect(false));
  return {};
}

// The error is raised here and passed back through the test.
Status checkHalf(double v) { return zevra_harness::expectApproxEqAbs(1.0, v, 1e-6); }

Status failsApprox() {
  ZEVRA_TRY(checkHalf(1.0 + 1e-7));
  ZEVRA_TRY(checkHalf(1.5));
  return {};
}

Status failsF32() { return zevra_harness::expectApproxEqAbs(0.1f, 0.2f, 0.0f); }

Status failsNan() {
  double nan = __builtin_nan("");
  return zevra_harness::expectApproxEqAbs(nan, nan, 1e-6);
}

Status logs() {
  using zevra_harness::Level;
  zevra_harness::log(Level::err, "test", "an error {}", 1u);
  zevra_harness::log(Level::warn, "test", "a warning");
  zevra_harness::log(Level::info, "test", "dropped");
  zevra_harness::log(Level::debug, "test", "dropped");
  return {};
}

Status outOfMemory() { return zevra_harness::fail(zevra_harness::OutOfMemory); }

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"outcomes.test.passes", &passes},
    {"outcomes.test.skips", &skips},
    {"outcomes.test.fails in expect", &failsExpect},
    {"outcomes.test.fails in expectApproxEqAbs → f64", &failsApprox},
    {"outcomes.test.fails in expectApproxEqAbs (f32)", &failsF32},
    {"outcomes.test.NaN never matches", &failsNan},
    {"outcomes.test.logs at every level", &logs},
    {"outcomes.test.passes on an operation's error", &outOfMemory},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

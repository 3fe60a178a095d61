// An application's test runner: its own registry, run by the installed
// harness.
#include <array>

#include "zevra_harness/main.hpp"
#include "zevra_kernel/metric.hpp"

namespace {

using zevra_harness::Status;
using zevra_kernel::HomVec4;

Status antipodesAreOnePoint() {
  const double d =
      zevra_kernel::fsDistance(HomVec4::init(1, 2, 3, 4), HomVec4::init(-1, -2, -3, -4));
  return zevra_harness::expectApproxEqAbs(d, 0.0, 1e-12);
}

Status axesAreAQuarterTurnApart() {
  const double d = zevra_kernel::fsDistance(HomVec4::init(1, 0, 0, 0), HomVec4::init(0, 1, 0, 0));
  return zevra_harness::expectApproxEqAbs(d, 1.5707963267948966, 1e-12);
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"app.test.antipodes are one point", &antipodesAreOnePoint},
    {"app.test.axes are a quarter turn apart", &axesAreAQuarterTurnApart},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

// Runner of the kernel's unit tests.
#include <array>

#include "kernel_units.hpp"
#include "zevra_harness/main.hpp"

namespace {

using zevra_harness::TestFn;

constexpr auto kernel_tests = std::to_array<TestFn>({
    {"kernel.points: cartesian3 branches at W_EPS", &kernel_units::cartesianBranches},
    {"kernel.points: normalize fallbacks and sign", &kernel_units::normalizeFallbacksAndSign},
    {"kernel.points: isSamePoint and isAntipodalTo", &kernel_units::samePointAndAntipodes},
    {"kernel.points: pickBestCard ties and NaN", &kernel_units::bestCardTiesAndNaN},
    {"kernel.metric: fsDistance edges", &kernel_units::distanceEdges},
    {"kernel.metric: sFromW clamps and round trip", &kernel_units::distanceWeightClamps},
    {"kernel.metric: cordicInvSqrt exact values and edges", &kernel_units::invSqrtExactAndEdges},
    {"kernel.metric: four-lane helpers", &kernel_units::fourLaneHelpers},
    {"kernel.matrix: layout, access and transpose", &kernel_units::matrixLayoutAndTranspose},
    {"kernel.matrix: determinant values", &kernel_units::determinantValues},
    {"kernel.matrix: normalizeDet edges", &kernel_units::normalizeDetEdges},
    {"kernel.matrix: builder edges", &kernel_units::builderEdges},
    {"kernel.matrix: properties on random matrices", &kernel_units::matrixProperties},
    {"kernel.inverse: convergence counts", &kernel_units::inverseConvergence},
    {"kernel.inverse: degenerate input", &kernel_units::inverseDegenerate},
    {"kernel.operators: resonance, projector, deformed product", &kernel_units::operatorEdges},
    {"kernel.elementary: sine, cosine, tangent, fourth root, arc cosine within 1 ulp",
     &kernel_units::elementaryWithinOneUlp},
    {"kernel: operations never allocate", &kernel_units::noAllocation},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(kernel_tests, argc, argv); }

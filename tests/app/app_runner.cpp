// app-tests: the S³ camera's motion, turns and re-orthonormalisation, its
// view and model-view-projection matrices, and the application defaults.
#include <array>

#include "cases.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {

constexpr auto app_tests = std::to_array<zevra_harness::TestFn>({
    {"app.update: one forward frame", &app_cases::oneForwardFrame},
    {"app.update: forward and right move at the same arc rate",
     &app_cases::diagonalMovesAtSameRate},
    {"app.update: zero input changes nothing", &app_cases::zeroInputChangesNothing},
    {"app.update: yaw and pitch directions", &app_cases::yawAndPitchDirections},
    {"app.update: speed from the scroll wheel", &app_cases::speedFromScroll},
    {"app.reset keeps speed and projection settings", &app_cases::resetKeepsSettings},
    {"app.update: frame stays orthonormal", &app_cases::frameStaysOrthonormal},
    {"app.reorthonormalize with a zero up", &app_cases::reorthonormalizeZeroUp},
    {"app.viewPGL4 of the default camera", &app_cases::defaultViewIsIdentity},
    {"app.mvpGpu of the default camera", &app_cases::defaultMvpValues},
    {"app.mvpGpu rows follow aspect and depth range", &app_cases::mvpRowsFollowTheirInputs},
    {"app.mvpGpu is P times the moved frame", &app_cases::mvpIsProjectionTimesMovedFrame},
    {"app.AppConfig defaults", &app_cases::appConfigAllDefaults},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(app_tests, argc, argv); }

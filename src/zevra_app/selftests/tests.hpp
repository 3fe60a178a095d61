#pragma once
// The tests zevra_app registers, in source order.

#include <array>

#include "zevra_harness/testing.hpp"

namespace zevra_app::test {

zevra_harness::Status cameraInitialPosition();
zevra_harness::Status cameraPositionOnSphere();
zevra_harness::Status cameraForwardPerpendicular();
zevra_harness::Status cameraReset();
zevra_harness::Status viewHasSixteenElements();
zevra_harness::Status reorthonormalizeKeepsSphere();
zevra_harness::Status forwardPerpendicularAfterUpdate();
zevra_harness::Status appConfigDefaults();
zevra_harness::Status updateWithZeroInput();
zevra_harness::Status mvpGpuValid();

inline constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"zevra_app.test.App: ZevraCamera initial position", &cameraInitialPosition},
    {"zevra_app.test.App: ZevraCamera position on S³", &cameraPositionOnSphere},
    {"zevra_app.test.App: ZevraCamera forward perpendicular to position",
     &cameraForwardPerpendicular},
    {"zevra_app.test.App: ZevraCamera reset", &cameraReset},
    {"zevra_app.test.App: ZevraCamera viewPGL4 is 16 elements", &viewHasSixteenElements},
    {"zevra_app.test.App: ZevraCamera reorthonormalize preserves S³", &reorthonormalizeKeepsSphere},
    {"zevra_app.test.App: ZevraCamera forward stays perpendicular after update",
     &forwardPerpendicularAfterUpdate},
    {"zevra_app.test.App: AppConfig defaults", &appConfigDefaults},
    {"zevra_app.test.App: ZevraCamera update with zero input", &updateWithZeroInput},
    {"zevra_app.test.App: mvpGpu produces valid PGL4", &mvpGpuValid},
});

}  // namespace zevra_app::test

// The registered tests of zevra_app.
#include <cmath>
#include <cstddef>

#include "zevra_app/app_config.hpp"
#include "zevra_app/camera.hpp"
#include "zevra_app/selftests/tests.hpp"
#include "zevra_input/input_state.hpp"

namespace zevra_app::test {

using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status cameraInitialPosition() {
  constexpr ZevraCamera cam{};
  ZEVRA_TRY(expectApproxEqAbs(cam.pos[3], 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(cam.pos[0], 0.0, 1e-10));
  return {};
}

Status cameraPositionOnSphere() {
  const ZevraCamera cam{};
  return expectApproxEqAbs(dot(cam.pos, cam.pos), 1.0, 1e-10);
}

Status cameraForwardPerpendicular() {
  const ZevraCamera cam{};
  return expectApproxEqAbs(dot(cam.pos, cam.forward), 0.0, 1e-10);
}

Status cameraReset() {
  ZevraCamera cam{};
  cam.pos = {1, 0, 0, 0};
  cam.forward = {0, 1, 0, 0};
  cam.reset();
  ZEVRA_TRY(expectApproxEqAbs(cam.pos[3], 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(cam.forward[2], -1.0, 1e-10));
  return {};
}

Status viewHasSixteenElements() {
  const ZevraCamera cam{};
  const auto view = cam.viewPGL4();
  return expect(view.size() == 16);
}

Status reorthonormalizeKeepsSphere() {
  ZevraCamera cam{};
  cam.pos[0] = 0.01;
  cam.reorthonormalize();
  return expectApproxEqAbs(dot(cam.pos, cam.pos), 1.0, 1e-10);
}

Status forwardPerpendicularAfterUpdate() {
  ZevraCamera cam{};
  zevra_input::InputState input{};
  input.camera_move_forward = true;
  for (int i = 0; i < 100; ++i) cam.update(input, 0.016);
  return expectApproxEqAbs(dot(cam.pos, cam.forward), 0.0, 1e-6);
}

Status appConfigDefaults() {
  constexpr AppConfig config{};
  ZEVRA_TRY(expect(config.title == "Zevra Engine \xE2\x80\x94 Projective Geometry"));
  ZEVRA_TRY(expect(config.width == 1280));
  ZEVRA_TRY(expect(config.height == 720));
  ZEVRA_TRY(expect(config.target_fps == 60.0));
  return {};
}

Status updateWithZeroInput() {
  ZevraCamera cam{};
  const zevra_input::InputState input{};
  cam.update(input, 0.016);
  return expectApproxEqAbs(cam.pos[3], 1.0, 1e-6);
}

Status mvpGpuValid() {
  const ZevraCamera cam{};
  const zevra_gpu::GpuPGL4 mvp = cam.mvpGpu(1.7777777777777777);
  bool has_nonzero = false;
  for (float e : mvp.data) {
    if (std::fabs(e) > 1e-10f) has_nonzero = true;
  }
  return expect(has_nonzero);
}

}  // namespace zevra_app::test

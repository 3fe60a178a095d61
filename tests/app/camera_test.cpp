// The camera's motion on S³: great-circle steps, yaw and pitch, speed,
// reset and Gram-Schmidt.
#include "zevra_app/camera.hpp"

#include <cmath>
#include <cstddef>
#include <limits>

#include "cases.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_kernel/sine_cosine.hpp"

namespace app_cases {

using zevra_app::dot;
using zevra_app::Vec4;
using zevra_app::ZevraCamera;
using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;
using zevra_input::InputState;

namespace {

bool same(const Vec4& a, const Vec4& b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

Status near(const Vec4& got, const Vec4& want, double tol) {
  for (std::size_t i = 0; i < 4; ++i) ZEVRA_TRY(expectApproxEqAbs(got[i], want[i], tol));
  return {};
}

}  // namespace

// The default camera, forward only, dt = 0.016. The step multiplies by 0 and
// 1 only and sin² + cos² of 0.032 rounds to 1, so pos is (0, 0, -sin, cos)
// to the bit; forward comes out of a projection and a division, so it is
// held to a few ulps.
Status oneForwardFrame() {
  ZevraCamera cam{};
  InputState input{};
  input.camera_move_forward = true;
  cam.update(input, 0.016);
  const auto [s, c] = zevra_kernel::sinCos(0.032);
  ZEVRA_TRY(expect(same(cam.pos, {0, 0, -s, c})));
  ZEVRA_TRY(expectApproxEqAbs(cam.pos[2], -0.031995, 1e-6));
  ZEVRA_TRY(expectApproxEqAbs(cam.pos[3], 0.999488, 1e-6));
  ZEVRA_TRY(near(cam.forward, {0, 0, -c, -s}, 1e-16));
  ZEVRA_TRY(expect(cam.forward[0] == 0.0 && cam.forward[1] == 0.0));
  ZEVRA_TRY(expect(same(cam.up, {0, 1, 0, 0})));
  ZEVRA_TRY(expect(same(cam.right, {1, 0, 0, 0})));
  ZEVRA_TRY(expect(cam.speed == 2.0));
  return {};
}

Status diagonalMovesAtSameRate() {
  ZevraCamera cam{};
  InputState input{};
  input.camera_move_forward = input.camera_move_right = true;
  cam.update(input, 0.016);
  // The arc is 0.032, as forward alone, towards (right + forward) / sqrt 2.
  const double s = std::sin(0.032) / std::sqrt(2.0);
  ZEVRA_TRY(near(cam.pos, {s, 0, -s, std::cos(0.032)}, 1e-15));
  ZEVRA_TRY(expectApproxEqAbs(std::acos(cam.pos[3]), 0.032, 1e-12));
  return {};
}

Status zeroInputChangesNothing() {
  ZevraCamera cam{};
  const ZevraCamera before{};
  cam.update(InputState{}, 0.016);
  ZEVRA_TRY(expect(same(cam.pos, before.pos) && same(cam.forward, before.forward)));
  ZEVRA_TRY(expect(same(cam.up, before.up) && same(cam.right, before.right)));
  ZEVRA_TRY(expect(cam.speed == 2.0));
  return {};
}

Status yawAndPitchDirections() {
  // dx = 100: yaw = -0.3, so forward turns away from right.
  ZevraCamera cam{};
  InputState input{};
  input.camera_orbit = true;
  input.mouse.dx = 100;
  cam.update(input, 0.016);
  ZEVRA_TRY(near(cam.forward, {-std::sin(0.3), 0, -std::cos(0.3), 0}, 1e-15));
  ZEVRA_TRY(near(cam.right, {std::cos(0.3), 0, -std::sin(0.3), 0}, 1e-15));
  ZEVRA_TRY(expect(same(cam.pos, {0, 0, 0, 1}) && same(cam.up, {0, 1, 0, 0})));

  // dy = 100: pitch = 0.3, forward turns towards up.
  ZevraCamera tilted{};
  input.mouse.dx = 0;
  input.mouse.dy = 100;
  tilted.update(input, 0.016);
  ZEVRA_TRY(near(tilted.forward, {0, std::sin(0.3), -std::cos(0.3), 0}, 1e-15));
  ZEVRA_TRY(near(tilted.up, {0, std::cos(0.3), std::sin(0.3), 0}, 1e-15));

  // Without the orbit intent the mouse turns nothing.
  ZevraCamera still{};
  input.camera_orbit = false;
  still.update(input, 0.016);
  ZEVRA_TRY(expect(same(still.forward, {0, 0, -1, 0})));
  return {};
}

Status speedFromScroll() {
  ZevraCamera cam{};
  InputState input{};
  input.mouse.scroll_y = 1;
  cam.update(input, 0.016);
  ZEVRA_TRY(expect(cam.speed == 2.5));

  ZevraCamera slowed{};
  input.mouse.scroll_y = -10;
  slowed.update(input, 0.016);
  ZEVRA_TRY(expect(slowed.speed == 0.1));
  slowed.update(input, 0.016);
  ZEVRA_TRY(expect(slowed.speed == 0.1));

  ZevraCamera poisoned{};
  input.mouse.scroll_y = std::numeric_limits<double>::quiet_NaN();
  poisoned.update(input, 0.016);
  ZEVRA_TRY(expect(poisoned.speed == 0.1));

  // This frame's step still uses the speed from before the scroll.
  ZevraCamera moving{};
  input.mouse.scroll_y = 1;
  input.camera_move_forward = true;
  moving.update(input, 0.016);
  ZEVRA_TRY(expect(moving.pos[2] == -zevra_kernel::sine(0.032) && moving.speed == 2.5));

  // The arc of a step is dt times the camera's own speed.
  ZevraCamera slow{};
  slow.speed = 0.5;
  input.mouse.scroll_y = 0;
  slow.update(input, 0.016);
  ZEVRA_TRY(expect(slow.pos[2] == -zevra_kernel::sine(0.008) && slow.speed == 0.5));
  return {};
}

Status resetKeepsSettings() {
  ZevraCamera cam{};
  cam.orbit_sens = 0.01;
  cam.fs_near = 0.5;
  cam.fs_far = 9.0;
  InputState input{};
  input.camera_move_forward = input.camera_move_up = input.camera_orbit = true;
  input.mouse = {.dx = 13, .dy = -4, .scroll_y = 3};
  for (int i = 0; i < 5; ++i) cam.update(input, 0.02);
  ZEVRA_TRY(expect(cam.speed == 9.5));
  cam.reset();
  const ZevraCamera fresh{};
  ZEVRA_TRY(expect(same(cam.pos, fresh.pos) && same(cam.forward, fresh.forward)));
  ZEVRA_TRY(expect(same(cam.up, fresh.up) && same(cam.right, fresh.right)));
  ZEVRA_TRY(expect(cam.speed == 9.5 && cam.orbit_sens == 0.01));
  ZEVRA_TRY(expect(cam.fs_near == 0.5 && cam.fs_far == 9.0));
  return {};
}

Status frameStaysOrthonormal() {
  ZevraCamera cam{};
  InputState input{};
  input.camera_move_forward = true;
  for (int i = 0; i < 100; ++i) cam.update(input, 0.016);
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.pos, cam.forward), 0.0, 1e-6));
  ZEVRA_TRY(expectApproxEqAbs(std::sqrt(dot(cam.pos, cam.pos)), 1.0, 1e-10));

  // Moving and turning together: forward and up stay unit, orthogonal to
  // pos and each other; right stays unit with w = 0, orthogonal to both.
  input.camera_move_right = input.camera_move_up = input.camera_orbit = true;
  input.mouse.dx = 7;
  input.mouse.dy = 3;
  for (int i = 0; i < 100; ++i) cam.update(input, 0.016);
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.pos, cam.pos), 1.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.forward, cam.forward), 1.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.up, cam.up), 1.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.right, cam.right), 1.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.pos, cam.forward), 0.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.pos, cam.up), 0.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.forward, cam.up), 0.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.right, cam.forward), 0.0, 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(dot(cam.right, cam.up), 0.0, 1e-12));
  ZEVRA_TRY(expect(cam.right[3] == 0.0));
  return {};
}

Status reorthonormalizeZeroUp() {
  ZevraCamera cam{};
  cam.up = {0, 0, 0, 0};
  cam.reorthonormalize();
  ZEVRA_TRY(expect(same(cam.up, {0, 0, 0, 0})));
  ZEVRA_TRY(expect(same(cam.right, {0, 0, 0, 0})));
  ZEVRA_TRY(expect(same(cam.pos, {0, 0, 0, 1}) && same(cam.forward, {0, 0, -1, 0})));
  // A NaN is left where it is rather than spread by a division.
  ZevraCamera poisoned{};
  poisoned.up = {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0};
  poisoned.reorthonormalize();
  ZEVRA_TRY(expect(same(poisoned.pos, {0, 0, 0, 1}) && std::isnan(poisoned.up[0])));
  return {};
}

}  // namespace app_cases

#include "zevra_app/camera.hpp"

#include <cmath>
#include <cstddef>

#include "zevra_kernel/sine_cosine.hpp"

namespace zevra_app {

namespace {

double length(const Vec4& v) { return std::sqrt(dot(v, v)); }

void normalizeIfLong(Vec4& v) {
  const double len = length(v);
  if (len > 1e-10) {
    for (double& c : v) c /= len;
  }
}

// Turns the orthonormal pair (a, b) by `angle` in its own plane, a towards b.
void turnPair(Vec4& a, Vec4& b, double angle) {
  const auto [sin_t, cos_t] = zevra_kernel::sinCos(angle);
  for (std::size_t c = 0; c < 4; ++c) {
    const double new_a = cos_t * a[c] + sin_t * b[c];
    const double new_b = -sin_t * a[c] + cos_t * b[c];
    a[c] = new_a;
    b[c] = new_b;
  }
}

}  // namespace

void ZevraCamera::reset() {
  pos = {0, 0, 0, 1};
  forward = {0, 0, -1, 0};
  up = {0, 1, 0, 0};
  right = {1, 0, 0, 0};
}

void ZevraCamera::update(const zevra_input::InputState& input, double dt) {
  const auto move_dir = input.cameraMoveDir();
  const auto orbit = input.cameraOrbitDelta();
  const double step = dt * speed;

  // Movement in world coordinates, from the frame before this frame's turns.
  Vec4 tangent{};
  for (std::size_t c = 0; c < 4; ++c) {
    tangent[c] = (move_dir[0] * right[c] + move_dir[1] * up[c]) + move_dir[2] * forward[c];
  }
  const double v_len = length(tangent);
  if (v_len > 1e-10) {
    // Along the great circle through pos towards tangent, by the arc `angle`.
    // The frame is not transported; reorthonormalize projects it afterwards.
    const double angle = v_len * step;
    const auto [sin_a, cos_a] = zevra_kernel::sinCos(angle);
    const double inv_len = 1.0 / v_len;
    for (std::size_t c = 0; c < 4; ++c) pos[c] = cos_a * pos[c] + (sin_a * tangent[c]) * inv_len;
  }

  // A positive dx turns forward away from right; a positive dy towards up.
  const double yaw = -orbit[0] * orbit_sens;
  const double pitch = orbit[1] * orbit_sens;
  if (std::fabs(yaw) > 1e-10) turnPair(forward, right, yaw);
  if (std::fabs(pitch) > 1e-10) turnPair(forward, up, pitch);

  reorthonormalize();

  // Floor of 0.1, no ceiling; written so that a NaN sum also lands on the floor.
  const double adjusted = speed + 0.5 * input.mouse.scroll_y;
  speed = adjusted > 0.1 ? adjusted : 0.1;
}

void ZevraCamera::reorthonormalize() {
  normalizeIfLong(pos);

  const double dot_pf = dot(pos, forward);
  for (std::size_t i = 0; i < 4; ++i) forward[i] -= dot_pf * pos[i];
  normalizeIfLong(forward);

  const double dot_pu = dot(pos, up);
  for (std::size_t i = 0; i < 4; ++i) up[i] -= dot_pu * pos[i];
  const double dot_fu = dot(forward, up);
  for (std::size_t i = 0; i < 4; ++i) up[i] -= dot_fu * forward[i];
  normalizeIfLong(up);

  // The 3D cross product of the spatial parts, not a 4D triple product: right
  // is orthogonal to forward and up but not necessarily to pos.
  const Vec4& f = forward;
  const Vec4& u = up;
  right = {f[1] * u[2] - f[2] * u[1], f[2] * u[0] - f[0] * u[2], f[0] * u[1] - f[1] * u[0], 0.0};
  normalizeIfLong(right);
}

}  // namespace zevra_app

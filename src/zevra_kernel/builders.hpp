#pragma once
// The elementary projective transforms: translation, axis scaling and
// rotation about the z axis, as matrices acting on column vectors.

#include "zevra_kernel/pgl4.hpp"
#include "zevra_kernel/sine_cosine.hpp"

namespace zevra_kernel {

// (x, y, z, w) -> (x + tx*w, y + ty*w, z + tz*w, w): a direction at infinity
// is not moved.
constexpr PGL4 pglTranslate(double tx, double ty, double tz) {
  return PGL4::init(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, tx, ty, tz, 1.0);
}

// diag(sx, sy, sz, 1); the w row and column are left alone.
constexpr PGL4 pglScale(double sx, double sy, double sz) {
  return PGL4::init(sx, 0.0, 0.0, 0.0, 0.0, sy, 0.0, 0.0, 0.0, 0.0, sz, 0.0, 0.0, 0.0, 0.0, 1.0);
}

// Rotation by `angle` radians turning +x towards +y. The entry at row 0,
// column 1 is -sin with its sign bit flipped, so an angle of 0 gives -0.0.
constexpr PGL4 pglRotateZ(double angle) {
  const auto [s, c] = sinCos(angle);
  return PGL4::init(c, s, 0.0, 0.0, -s, c, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0);
}

}  // namespace zevra_kernel

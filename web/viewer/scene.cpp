#include "scene.hpp"

#include <cmath>
#include <numbers>

#include "zevra_kernel/builders.hpp"

namespace zevra_web {

namespace {

using zevra_kernel::PGL4;
using Vec4 = std::array<double, 4>;

// The rotation turning axis i towards axis j by `angle`.
PGL4 planeRotation(std::size_t i, std::size_t j, double angle) {
  PGL4 r = PGL4::identity();
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  r.set(i, i, c);
  r.set(j, j, c);
  r.set(j, i, s);
  r.set(i, j, -s);
  return r;
}

Vec4 apply(const PGL4& m, const Vec4& v) {
  const zevra_kernel::HomVec4 r = m.apply(zevra_kernel::HomVec4::init(v[0], v[1], v[2], v[3]));
  return {r.x, r.y, r.z, r.w};
}

double dot(const Vec4& a, const Vec4& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

zevra_gpu::GpuGeodesicState state(const Vec4& q, const Vec4& v) {
  return {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2]),
          static_cast<float>(q[3]), static_cast<float>(v[0]), static_cast<float>(v[1]),
          static_cast<float>(v[2]), static_cast<float>(v[3])};
}

// A turn of the tesseract in general position, so that no vertex lies where
// two charts meet.
PGL4 tesseractPose() {
  return PGL4::mul(planeRotation(0, 1, 0.35),
                   PGL4::mul(planeRotation(2, 3, 0.6), planeRotation(0, 2, 0.45)));
}

}  // namespace

Scene buildScene() {
  Scene scene;
  std::size_t lane = 0;
  for (std::size_t r = 0; r < rings; ++r) {
    // In the w chart the torus |z1| = cos eta is the hyperboloid
    // x^2 + y^2 = cot^2 eta (z^2 + 1): waists of 0.12 to 0.48.
    const double eta = std::atan(1 / (0.12 * static_cast<double>(r + 1)));
    for (std::size_t c = 0; c < per_ring; ++c, ++lane) {
      const double xi =
          2 * std::numbers::pi * static_cast<double>(c) / per_ring + 0.3 * static_cast<double>(r);
      // q = (cos eta, 0, sin eta cos xi, sin eta sin xi) and v = i q, a unit
      // tangent: the Hopf circle e^{it} q.
      const Vec4 q{std::cos(eta), 0, std::sin(eta) * std::cos(xi), std::sin(eta) * std::sin(xi)};
      scene.start[lane] = state(q, {-q[1], q[0], -q[3], q[2]});
      scene.colour[lane] = {static_cast<float>(r),
                            static_cast<float>(c) / static_cast<float>(per_ring - 1)};
    }
  }
  // Vertices (+-1, +-1, +-1, +-1) / 2; an edge joins two that differ in one
  // sign, an arc of pi/3 on S^3. Of an edge and its antipode (the same edge
  // of RP^3) the one whose midpoint's first non-zero coordinate is positive.
  const PGL4 pose = tesseractPose();
  std::size_t edge = 0;
  for (unsigned bits = 0; bits < 16; ++bits) {
    for (unsigned axis = 0; axis < 4; ++axis) {
      const unsigned other = bits ^ (1u << axis);
      if (other < bits) continue;
      Vec4 a{}, b{}, mid{};
      for (unsigned k = 0; k < 4; ++k) {
        a[k] = (bits >> k & 1u) != 0 ? 0.5 : -0.5;
        b[k] = (other >> k & 1u) != 0 ? 0.5 : -0.5;
        mid[k] = a[k] + b[k];
      }
      const double lead = mid[0] != 0 ? mid[0] : mid[1];
      if (lead < 0) continue;
      // Tangent at a towards b, at the speed that covers pi/3 while the
      // circles cover pi.
      Vec4 v{};
      const double ab = dot(a, b);
      for (unsigned k = 0; k < 4; ++k) v[k] = b[k] - ab * a[k];
      const double scale = 1 / (3 * std::sqrt(dot(v, v)));
      for (double& c : v) c *= scale;
      scene.start[lane] = state(apply(pose, a), apply(pose, v));
      scene.colour[lane] = {4.0f, static_cast<float>(edge) / (tesseract_edges - 1)};
      ++lane;
      ++edge;
    }
  }
  scene.params = {static_cast<float>(std::numbers::pi / steps), 0, 0, 0};
  return scene;
}

PGL4 motion(double angle) {
  // The pose of the picture of S^3 in the README: the tori's axis turned from
  // z to x, then a little about z.
  const PGL4 side =
      PGL4::mul(zevra_kernel::pglRotateZ(0.15), planeRotation(2, 0, std::numbers::pi / 2));
  const PGL4 spin = PGL4::mul(planeRotation(0, 3, angle), planeRotation(1, 2, 0.5 * angle));
  return PGL4::mul(spin, side);
}

}  // namespace zevra_web

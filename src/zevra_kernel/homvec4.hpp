#pragma once
// Homogeneous points of real projective 3-space: a point is a non-zero
// 4-vector (x, y, z, w) up to a non-zero factor, so p and -p (antipodes on
// the unit 3-sphere) are one point. (X, Y, Z, 1) is a finite point, w = 0 a
// direction at infinity.

#include <array>
#include <cstdint>

#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

// Below this |w| a point is dehomogenised as a direction at infinity; also the
// common absolute tolerance of the tests.
inline constexpr double W_EPS = 1e-6;

// The four standard affine charts, named by the coordinate that divides.
enum class AffineCard : std::uint8_t { UW = 0, UX = 1, UY = 2, UZ = 3 };

struct HomVec4 {
  double x;
  double y;
  double z;
  double w;

  static constexpr HomVec4 init(double x, double y, double z, double w) { return {x, y, z, w}; }
  static constexpr HomVec4 fromCartesian(double x, double y, double z) { return {x, y, z, 1.0}; }

  // Affine coordinates (x/w, y/w, z/w); a point with |w| < W_EPS is taken as
  // a direction and scaled by its full 4-norm, the zero vector gives (0, 0, 0).
  std::array<double, 3> cartesian3() const;

  // Euclidean length of all four coordinates, summed in the order x, y, z, w.
  double norm() const;

  // The point on the unit 3-sphere, with the sign of the input; a vector
  // shorter than 1e-15 becomes (0, 0, 0, 1), the origin of the w chart.
  HomVec4 normalize() const;

  static constexpr double dot(HomVec4 a, HomVec4 b) {
    return rounded(a.x * b.x) + rounded(a.y * b.y) + rounded(a.z * b.z) + rounded(a.w * b.w);
  }

  // Projective equality: the lines through a and b meet at an angle whose
  // cosine exceeds 1 - tol. A vector shorter than tol is no point at all.
  bool isSamePoint(HomVec4 b, double tol) const;

  // Whether this is the same point as -b; in projective space always the
  // same answer as isSamePoint, which is the Z/2Z identification.
  bool isAntipodalTo(HomVec4 b, double tol) const;

  // The chart whose coordinate has the largest magnitude; ties go to the
  // earlier card in the order w, x, y, z.
  AffineCard pickBestCard() const;
};

}  // namespace zevra_kernel

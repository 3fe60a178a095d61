// Dehomogenisation, normalisation, projective equality and chart choice.
#include "zevra_kernel/homvec4.hpp"

#include <cmath>

namespace zevra_kernel {

std::array<double, 3> HomVec4::cartesian3() const {
  // An ordered test: a NaN w takes the division branch.
  if (std::fabs(w) < W_EPS) {
    const double n = norm();
    if (n < 1e-15) return {0.0, 0.0, 0.0};
    return {x / n, y / n, z / n};
  }
  return {x / w, y / w, z / w};
}

double HomVec4::norm() const { return std::sqrt(x * x + y * y + z * z + w * w); }

HomVec4 HomVec4::normalize() const {
  const double n = norm();
  if (n < 1e-15) return init(0.0, 0.0, 0.0, 1.0);
  return init(x / n, y / n, z / n, w / n);
}

bool HomVec4::isSamePoint(HomVec4 b, double tol) const {
  const double n1 = norm();
  const double n2 = b.norm();
  if (n1 < tol || n2 < tol) return false;
  // |cos| of the angle between the two lines; the absolute value identifies
  // antipodes. A NaN anywhere fails the final comparison.
  const double d = std::fabs(dot(*this, b)) / (n1 * n2);
  return d > 1.0 - tol;
}

bool HomVec4::isAntipodalTo(HomVec4 b, double tol) const {
  return isSamePoint(init(-b.x, -b.y, -b.z, -b.w), tol);
}

AffineCard HomVec4::pickBestCard() const {
  const double aw = std::fabs(w);
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  const double az = std::fabs(z);
  if (aw >= ax && aw >= ay && aw >= az) return AffineCard::UW;
  if (ax >= ay && ax >= az) return AffineCard::UX;
  if (ay >= az) return AffineCard::UY;
  return AffineCard::UZ;
}

}  // namespace zevra_kernel

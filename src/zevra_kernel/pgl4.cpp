// The matrix operations that need the standard mathematical functions.
#include "zevra_kernel/pgl4.hpp"

#include <cmath>

namespace zevra_kernel {

PGL4 PGL4::normalizeDet() const {
  const double d = det();
  if (std::fabs(d) < 1e-15) return *this;
  // det(s * M) = s^4 * det(M); the root of |d| keeps the sign of d and no NaN.
  const double det_scale = std::pow(std::fabs(d), -0.25);
  return *this * det_scale;
}

}  // namespace zevra_kernel

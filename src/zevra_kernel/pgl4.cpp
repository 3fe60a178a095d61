// The matrix operations that need an elementary function.
#include "zevra_kernel/pgl4.hpp"

#include <cmath>

#include "zevra_kernel/fourth_root.hpp"

namespace zevra_kernel {

PGL4 PGL4::normalizeDet() const {
  const double d = det();
  if (std::fabs(d) < 1e-15) return *this;
  // det(s * M) = s^4 * det(M); the root of |d| keeps the sign of d and no NaN.
  const double det_scale = inverseFourthRoot(std::fabs(d));
  return *this * det_scale;
}

}  // namespace zevra_kernel

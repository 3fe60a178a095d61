// The regularised projector onto the null space of a constraint operator.
#include "zevra_kernel/operators.hpp"

#include <cstddef>

namespace zevra_kernel {

PGL4 computeProjector(PGL4 jc, double delta) {
  const PGL4 i4 = PGL4::identity();
  const PGL4 jct = jc.transpose();
  const PGL4 jj = PGL4::mul(jc, jct);
  PGL4 jjt = jj;
  for (std::size_t i = 0; i < 4; ++i) jjt.set(i, i, jj.get(i, i) + delta);
  // The inverse shifts the diagonal by delta once more: (J J^T + 2 delta I)^-1.
  const PGL4 jjt_inv = jjt.inverse(delta, 8);
  const PGL4 middle = PGL4::mul(jct, jjt_inv);
  const PGL4 projector_part = PGL4::mul(middle, jc);
  PGL4 pi_lambda{};
  for (std::size_t i = 0; i < 16; ++i) pi_lambda.data[i] = i4.data[i] - projector_part.data[i];
  return pi_lambda;
}

}  // namespace zevra_kernel

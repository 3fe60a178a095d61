// The regularised projector onto the null space of a constraint operator.
#include "zevra_kernel/operators.hpp"

namespace zevra_kernel {

PGL4 computeProjector(PGL4 jc, double delta) {
  const PGL4 i4 = PGL4::identity();
  const PGL4 jct = jc.transpose();
  const PGL4 jjt = PGL4::mul(jc, jct).shiftDiagonal(delta);
  // The inverse shifts the diagonal by delta once more: (J J^T + 2 delta I)^-1.
  const PGL4 jjt_inv = jjt.inverse(delta, 8);
  const PGL4 middle = PGL4::mul(jct, jjt_inv);
  return i4 - PGL4::mul(middle, jc);
}

}  // namespace zevra_kernel

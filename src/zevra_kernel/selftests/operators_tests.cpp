// Registered tests of the operator algebra.
#include <cstddef>

#include "zevra_harness/testing.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/operators.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status testResonanceAntisymmetric() {
  const PGL4 A = PGL4::init(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  const PGL4 J = computeResonance(A);
  const PGL4 Jt = J.transpose();
  for (std::size_t row = 0; row < 4; ++row)
    for (std::size_t col = 0; col < 4; ++col)
      ZEVRA_TRY(expectApproxEqAbs(Jt.get(row, col), -J.get(row, col), 1e-10));
  return {};
}

Status testProjectorIdempotent() {
  // Rotation generator of the (x, y) and (z, w) planes: J J^T = I.
  const PGL4 Jc = PGL4::init(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0);
  const PGL4 Pi = computeProjector(Jc, 1e-8);
  const PGL4 Pi2 = PGL4::mul(Pi, Pi);
  for (std::size_t i = 0; i < 16; ++i) ZEVRA_TRY(expectApproxEqAbs(Pi2.data[i], Pi.data[i], 1e-4));
  return {};
}

Status testDeformedProductEpsilonZero() {
  const PGL4 A = pglScale(2, 1, 1);
  const PGL4 B = pglTranslate(3, 0, 0);
  const PGL4 standard = PGL4::mul(A, B);
  const PGL4 deformed = deformedTensorProduct(A, B, 0);
  for (std::size_t i = 0; i < 16; ++i)
    ZEVRA_TRY(expectApproxEqAbs(standard.data[i], deformed.data[i], 1e-10));
  return {};
}

}  // namespace zevra_kernel::test

// Registered test of the Newton-Schulz inverse.
#include <cstddef>

#include "zevra_harness/testing.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/pgl4.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status testPgl4NewtonSchulzInverse() {
  const PGL4 M = pglScale(2, 3, 4);
  const PGL4 M_inv = M.inverse(1e-10, 15);
  const PGL4 product = PGL4::mul(M, M_inv);
  for (std::size_t row = 0; row < 4; ++row)
    for (std::size_t col = 0; col < 4; ++col) {
      const double expected = row == col ? 1.0 : 0.0;
      ZEVRA_TRY(expectApproxEqAbs(product.get(row, col), expected, W_EPS));
    }
  return {};
}

}  // namespace zevra_kernel::test

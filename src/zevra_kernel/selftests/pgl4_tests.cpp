// Registered tests of the matrix core.
#include <cmath>

#include "zevra_harness/testing.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/pgl4.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status testPgl4IdentityAction() {
  const PGL4 I = PGL4::identity();
  const HomVec4 v = HomVec4::init(3, 4, 5, 1);
  const HomVec4 result = I.apply(v);
  ZEVRA_TRY(expectApproxEqAbs(result.x, 3.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(result.y, 4.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(result.z, 5.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(result.w, 1.0, 1e-10));
  return {};
}

Status testPgl4Determinant() {
  const PGL4 I = PGL4::identity();
  ZEVRA_TRY(expectApproxEqAbs(I.det(), 1.0, 1e-10));
  const PGL4 S = pglScale(2, 3, 4);
  ZEVRA_TRY(expectApproxEqAbs(S.det(), 24.0, 1e-10));
  return {};
}

Status testPgl4NormalizeDet() {
  const PGL4 M = pglScale(2, 3, 4);
  const PGL4 M_norm = M.normalizeDet();
  ZEVRA_TRY(expectApproxEqAbs(std::fabs(M_norm.det()), 1.0, W_EPS));
  return {};
}

Status testPgl4FromHomogeneous() {
  // Built from a constant: a singular one would not compile.
  constexpr PGL4 M =
      pglFromHomogeneous(Rows4{{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}});
  ZEVRA_TRY(expectApproxEqAbs(M.det(), 120.0, W_EPS));
  return {};
}

}  // namespace zevra_kernel::test

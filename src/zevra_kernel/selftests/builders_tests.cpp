// Registered tests of the transform builders.
#include "zevra_harness/testing.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status testPgl4TranslationAndScale() {
  const PGL4 T = pglTranslate(10, 20, 30);
  const HomVec4 v = HomVec4::fromCartesian(1, 2, 3);
  const HomVec4 result = T.apply(v);
  const auto c = result.cartesian3();
  ZEVRA_TRY(expectApproxEqAbs(c[0], 11.0, 1e-8));
  ZEVRA_TRY(expectApproxEqAbs(c[1], 22.0, 1e-8));
  ZEVRA_TRY(expectApproxEqAbs(c[2], 33.0, 1e-8));
  return {};
}

Status testPgl4RotationPreservesNorm() {
  const PGL4 R = pglRotateZ(0.7853981633974483);
  const HomVec4 v = HomVec4::init(1, 0, 0, 1);
  const HomVec4 result = R.apply(v);
  const double n_before = v.norm();
  const double n_after = result.norm();
  ZEVRA_TRY(expectApproxEqAbs(n_before, n_after, 1e-10));
  return {};
}

}  // namespace zevra_kernel::test

// Registered tests of the metric and the scalar helpers.
#include "zevra_harness/testing.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/metric.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status testFsDistanceKnownValues() {
  const HomVec4 a = HomVec4::init(1, 0, 0, 0);
  const HomVec4 b = HomVec4::init(1, 0, 0, 0);
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(a, b), 0.0, 1e-10));
  const HomVec4 c = HomVec4::init(1, 0, 0, 0);
  const HomVec4 d = HomVec4::init(0, 1, 0, 0);
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(c, d), 1.5707963267948966, 1e-10));
  // One projective point; the cosine may round to just under 1.
  const HomVec4 e = HomVec4::init(1, 0, 0, 1).normalize();
  const HomVec4 f = HomVec4::init(-1, 0, 0, -1).normalize();
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(e, f), 0.0, W_EPS));
  const HomVec4 g = HomVec4::init(1, 0, 0, 0).normalize();
  const HomVec4 h = HomVec4::init(1, 0, 0, 1).normalize();
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(g, h), 0.7853981633974483, 1e-10));
  return {};
}

Status testSimdDot4AndNormalize() {
  const F32x4 a = f32x4(1, 0, 0, 0);
  const F32x4 b = f32x4(1, 0, 0, 0);
  ZEVRA_TRY(expectApproxEqAbs(simdDot4(a, b), 1.0f, 1e-5f));
  // Unit length only because all four lanes count: |c| = 5.
  const F32x4 c = f32x4(3, 0, 0, 4);
  const F32x4 n = simdNormalize3(c);
  ZEVRA_TRY(expectApproxEqAbs(simdDot4(n, n), 1.0f, 1e-5f));
  return {};
}

Status testCordicInvSqrt() {
  ZEVRA_TRY(expectApproxEqAbs(cordicInvSqrt(4), 0.5, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(cordicInvSqrt(1), 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(cordicInvSqrt(9), 0.3333333333333333, 1e-10));
  return {};
}

Status testDistanceWeightRoundTrip() {
  const double s = 1000;
  const double R = R_MORVAI_KM * 1000;
  const double W = wFromDistance(s, R);
  const double s_back = sFromW(W, R);
  ZEVRA_TRY(expectApproxEqAbs(s, s_back, 0.01));
  return {};
}

}  // namespace zevra_kernel::test

// The metric, the distance-weight conversion, the inverse square root and the
// four-lane helpers.
#include <cmath>
#include <limits>
#include <numbers>

#include "kernel_units.hpp"
#include "zevra_kernel/metric.hpp"

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;

namespace {
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double R = R_MORVAI_KM * 1000;
}  // namespace

Status distanceEdges() {
  const HomVec4 p = HomVec4::init(1, 2, 3, 4);
  // Cosines that round to 1 or above are clamped: exactly 0.
  for (const double k : {1.0, 3.0, -1.0}) {
    ZEVRA_TRY(expect(fsDistance(p, HomVec4::init(k * p.x, k * p.y, k * p.z, k * p.w)) == 0.0));
  }
  // Any multiple stays within the arc cosine's resolution near 1.
  const HomVec4 q = HomVec4::init(0.3, -1.7, 2.9, 1e-3);
  for (const double k : {1.0, -1.0, 7.5, -1e-3, 1e5}) {
    ZEVRA_TRY(expect(fsDistance(q, HomVec4::init(k * q.x, k * q.y, k * q.z, k * q.w)) < 1e-7));
  }
  const HomVec4 zero = HomVec4::init(0, 0, 0, 0);
  ZEVRA_TRY(expect(fsDistance(zero, p) == 0.0 && fsDistance(p, zero) == 0.0));
  ZEVRA_TRY(expect(fsDistance(HomVec4::init(1e-16, 0, 0, 0), p) == 0.0));
  ZEVRA_TRY(expect(fsDistance(HomVec4::init(1, 0, 0, 0), HomVec4::init(0, 0, 0, 1)) ==
                   std::numbers::pi / 2));
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(HomVec4::init(1, 0, 0, 0), HomVec4::init(1, 1, 0, 0)),
                              std::numbers::pi / 4, 1e-15));
  // The absolute value of the cosine: opposite directions are no farther
  // apart than pi/2.
  ZEVRA_TRY(expectApproxEqAbs(fsDistance(HomVec4::init(1, 0, 0, 0), HomVec4::init(-1, 1, 0, 0)),
                              std::numbers::pi / 4, 1e-15));
  // A NaN cosine is taken as 1.
  ZEVRA_TRY(expect(fsDistance(HomVec4::init(nan, 0, 0, 1), p) == 0.0));
  return {};
}

Status distanceWeightClamps() {
  ZEVRA_TRY(expect(wFromDistance(0, R) == 1.0));
  ZEVRA_TRY(expect(sFromW(1, R) == 0.0));
  ZEVRA_TRY(expect(sFromW(1.5, R) == 0.0));
  ZEVRA_TRY(expect(sFromW(nan, R) == 0.0));
  ZEVRA_TRY(expect(sFromW(-1, R) == (2 * R) * std::numbers::pi));
  ZEVRA_TRY(expect(sFromW(-7, R) == (2 * R) * std::numbers::pi));
  ZEVRA_TRY(expect(sFromW(-inf, R) == (2 * R) * std::numbers::pi));
  // The round trip holds across [0, 2 pi R].
  for (const double s : {0.0, 1.0, 1e6, 1.8e7, 3.6e7}) {
    ZEVRA_TRY(expectApproxEqAbs(sFromW(wFromDistance(s, R), R), s, 0.01 + s * 1e-9));
  }
  return {};
}

Status invSqrtExactAndEdges() {
  // The bit-level start and three Newton steps give exactly these values.
  static_assert(cordicInvSqrt(4) == 0.49999999998618955);
  ZEVRA_TRY(expect(cordicInvSqrt(4) == 0.49999999998618955));
  ZEVRA_TRY(expect(cordicInvSqrt(1) == 0.9999999999723791));
  ZEVRA_TRY(expect(cordicInvSqrt(9) == 0.33333333333142373));
  for (const double x : {0.0, -0.0, -4.0, -inf}) {
    const double y = cordicInvSqrt(x);
    ZEVRA_TRY(expect(y == 0.0 && !std::signbit(y)));
  }
  ZEVRA_TRY(expectApproxEqAbs(cordicInvSqrt(0.25), 2.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(cordicInvSqrt(2), 0.7071067811865475, 1e-13));
  for (const double x : {1e-300, 1e-5, 3.0, 1e10, 1e300}) {
    const double want = 1.0 / std::sqrt(x);
    ZEVRA_TRY(expect(std::fabs(cordicInvSqrt(x) - want) <= 3.3e-11 * want));
  }
  // NaN and infinity must not trap; their results are not specified.
  (void)cordicInvSqrt(nan);
  (void)cordicInvSqrt(inf);
  return {};
}

Status fourLaneHelpers() {
  static_assert(sizeof(F32x4) == 16 && alignof(F32x4) == 16);
  F32x4 n = simdNormalize3(f32x4(0, 0, 0, 0));
  ZEVRA_TRY(expect(n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f && n[3] == 1.0f));
  n = simdNormalize3(f32x4(3, 0, 0, 4));
  ZEVRA_TRY(expect(n[0] == 0.6f && n[1] == 0.0f && n[2] == 0.0f && n[3] == 0.8f));
  n = simdNormalize3(f32x4(2, 0, 0, 0));
  ZEVRA_TRY(expect(n[0] == 1.0f && n[1] == 0.0f && n[2] == 0.0f && n[3] == 0.0f));
  // Squared length 1e-16 is below the threshold; 1e-14 is not.
  n = simdNormalize3(f32x4(1e-8f, 0, 0, 0));
  ZEVRA_TRY(expect(n[0] == 0.0f && n[3] == 1.0f));
  n = simdNormalize3(f32x4(1e-7f, 0, 0, 0));
  ZEVRA_TRY(expectApproxEqAbs(n[0], 1.0f, 1e-6f));
  // The horizontal sum runs in lane order: (1e8 + 1) - 1e8 loses the 1.
  ZEVRA_TRY(expect(simdDot4(f32x4(1e8f, 1, -1e8f, 1), f32x4(1, 1, 1, 1)) == 1.0f));
  ZEVRA_TRY(expect(simdDot4(f32x4(1, 2, 3, 4), f32x4(5, 6, 7, 8)) == 70.0f));
  return {};
}

}  // namespace kernel_units

// Homogeneous points: dehomogenisation branches, normalisation fallbacks,
// projective equality and the chart choice.
#include <cmath>
#include <limits>

#include "kernel_units.hpp"
#include "zevra_kernel/homvec4.hpp"

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;

namespace {
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
}  // namespace

Status cartesianBranches() {
  // Directions at infinity are scaled by the 4-norm.
  auto c = HomVec4::init(1, 0, 0, 0).cartesian3();
  ZEVRA_TRY(expect(c[0] == 1.0 && c[1] == 0.0 && c[2] == 0.0));
  c = HomVec4::init(3, 4, 0, 0).cartesian3();
  ZEVRA_TRY(expect(c[0] == 0.6 && c[1] == 0.8 && c[2] == 0.0));
  c = HomVec4::init(0, 0, 0, 0).cartesian3();
  ZEVRA_TRY(expect(c[0] == 0.0 && c[1] == 0.0 && c[2] == 0.0));
  // Just below W_EPS: still a direction, not (2e6, 0, 0).
  c = HomVec4::init(1, 0, 0, 5e-7).cartesian3();
  ZEVRA_TRY(expect(c[0] == 1.0 / std::sqrt(1.0 + 5e-7 * 5e-7) && c[1] == 0.0 && c[2] == 0.0));
  // W_EPS itself is not below W_EPS: the division branch.
  c = HomVec4::init(1, 0, 0, 1e-6).cartesian3();
  ZEVRA_TRY(expect(c[0] == 1.0 / 1e-6));
  c = HomVec4::init(1, 0, 0, -1e-6).cartesian3();
  ZEVRA_TRY(expect(c[0] == -1.0 / 1e-6));
  // A NaN w fails the ordered test and is divided by.
  c = HomVec4::init(1, 2, 3, nan).cartesian3();
  ZEVRA_TRY(expect(std::isnan(c[0]) && std::isnan(c[1]) && std::isnan(c[2])));
  return {};
}

Status normalizeFallbacksAndSign() {
  for (const HomVec4 tiny : {HomVec4::init(0, 0, 0, 0), HomVec4::init(1e-16, 0, 0, 0)}) {
    const HomVec4 n = tiny.normalize();
    ZEVRA_TRY(expect(n.x == 0.0 && n.y == 0.0 && n.z == 0.0 && n.w == 1.0));
  }
  // No canonical sign on S3: the sign of the input is kept.
  const HomVec4 n = HomVec4::init(0, 0, 0, -2).normalize();
  ZEVRA_TRY(expect(n.x == 0.0 && n.y == 0.0 && n.z == 0.0 && n.w == -1.0));
  const HomVec4 m = HomVec4::init(-3, 0, 0, -4).normalize();
  ZEVRA_TRY(expect(m.x == -0.6 && m.w == -0.8));
  return {};
}

Status samePointAndAntipodes() {
  const HomVec4 p = HomVec4::init(1, 2, 3, 4);
  ZEVRA_TRY(expect(p.isSamePoint(HomVec4::init(-2, -4, -6, -8), 1e-8)));
  ZEVRA_TRY(expect(p.isSamePoint(p, 1e-8)));
  ZEVRA_TRY(expect(!p.isSamePoint(HomVec4::init(1, 2, 3, 5), 1e-8)));  // cosine ~0.994
  // The zero vector is no point, not even itself.
  const HomVec4 zero = HomVec4::init(0, 0, 0, 0);
  ZEVRA_TRY(expect(!zero.isSamePoint(zero, 1e-8)));
  ZEVRA_TRY(expect(!p.isSamePoint(zero, 1e-8)));
  // A vector shorter than tol counts as zero.
  ZEVRA_TRY(expect(!HomVec4::init(1e-9, 0, 0, 0).isSamePoint(HomVec4::init(1, 0, 0, 0), 1e-8)));
  // NaN in either argument: false.
  const HomVec4 with_nan = HomVec4::init(1, nan, 3, 4);
  ZEVRA_TRY(expect(!with_nan.isSamePoint(p, 1e-8)));
  ZEVRA_TRY(expect(!p.isSamePoint(with_nan, 1e-8)));
  ZEVRA_TRY(expect(!with_nan.isAntipodalTo(with_nan, 1e-8)));
  // Antipodal is the same relation as projective equality.
  ZEVRA_TRY(expect(p.isAntipodalTo(p, 1e-8)));
  ZEVRA_TRY(expect(!HomVec4::init(1, 0, 0, 0).isAntipodalTo(HomVec4::init(0, 1, 0, 0), 1e-8)));
  ZEVRA_TRY(expect(!zero.isAntipodalTo(zero, 1e-8)));
  return {};
}

Status bestCardTiesAndNaN() {
  ZEVRA_TRY(expect(HomVec4::init(1, 1, 1, 1).pickBestCard() == AffineCard::UW));
  ZEVRA_TRY(expect(HomVec4::init(0, 0, 0, 0).pickBestCard() == AffineCard::UW));
  ZEVRA_TRY(expect(HomVec4::init(3, 3, 1, 1).pickBestCard() == AffineCard::UX));
  ZEVRA_TRY(expect(HomVec4::init(1, 3, 3, 1).pickBestCard() == AffineCard::UY));
  ZEVRA_TRY(expect(HomVec4::init(1, 1, 3, 3).pickBestCard() == AffineCard::UW));
  ZEVRA_TRY(expect(HomVec4::init(-5, 1, 1, 1).pickBestCard() == AffineCard::UX));
  ZEVRA_TRY(expect(HomVec4::init(1, 1, -7, -2).pickBestCard() == AffineCard::UZ));
  // Every comparison with a NaN is false: a NaN x rules out w and x.
  ZEVRA_TRY(expect(HomVec4::init(nan, 1, 1, 1).pickBestCard() == AffineCard::UY));
  ZEVRA_TRY(expect(HomVec4::init(1, 1, 1, nan).pickBestCard() == AffineCard::UX));
  static_assert(static_cast<int>(AffineCard::UW) == 0 && static_cast<int>(AffineCard::UX) == 1 &&
                static_cast<int>(AffineCard::UY) == 2 && static_cast<int>(AffineCard::UZ) == 3);
  static_assert(sizeof(AffineCard) == 1 && sizeof(HomVec4) == 32);
  return {};
}

}  // namespace kernel_units

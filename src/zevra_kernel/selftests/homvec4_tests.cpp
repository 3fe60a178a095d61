// Registered tests of the homogeneous points.
#include "zevra_harness/testing.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/selftests/printers.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_kernel::test {

using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::expectEqual;
using zevra_harness::Status;

Status testHomVec4Constructors() {
  const HomVec4 v = HomVec4::fromCartesian(3, 4, 5);
  ZEVRA_TRY(expectApproxEqAbs(v.x, 3.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(v.y, 4.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(v.z, 5.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(v.w, 1.0, 1e-10));
  const auto c = v.cartesian3();
  ZEVRA_TRY(expectApproxEqAbs(c[0], 3.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(c[1], 4.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(c[2], 5.0, 1e-10));
  const HomVec4 v2 = HomVec4::init(2, 4, 6, 2);
  const auto c2 = v2.cartesian3();
  ZEVRA_TRY(expectApproxEqAbs(c2[0], 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(c2[1], 2.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(c2[2], 3.0, 1e-10));
  return {};
}

Status testHomVec4Normalize() {
  const HomVec4 v = HomVec4::init(3, 0, 0, 4);
  const HomVec4 n = v.normalize();
  ZEVRA_TRY(expectApproxEqAbs(n.norm(), 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(n.x, 0.6, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(n.w, 0.8, 1e-10));
  return {};
}

Status testHomVec4DotAndSamePoint() {
  const HomVec4 a = HomVec4::init(1, 0, 0, 0);
  const HomVec4 b = HomVec4::init(1, 0, 0, 0);
  ZEVRA_TRY(expectApproxEqAbs(HomVec4::dot(a, b), 1.0, 1e-10));
  const HomVec4 c = HomVec4::init(0, 1, 0, 0);
  ZEVRA_TRY(expectApproxEqAbs(HomVec4::dot(a, c), 0.0, 1e-10));
  const HomVec4 neg_a = HomVec4::init(-1, 0, 0, 0);
  ZEVRA_TRY(expect(a.isSamePoint(neg_a, 1e-8)));
  return {};
}

Status testHomVec4Antipodal() {
  const HomVec4 p = HomVec4::init(1, 2, 3, 4);
  const HomVec4 neg_p = HomVec4::init(-1, -2, -3, -4);
  ZEVRA_TRY(expect(p.isAntipodalTo(neg_p, 1e-8)));
  const HomVec4 other = HomVec4::init(1, 2, 3, 5);
  ZEVRA_TRY(expect(!p.isAntipodalTo(other, 1e-8)));
  return {};
}

Status testHomVec4AffineCard() {
  ZEVRA_TRY(expectEqual(HomVec4::init(1, 2, 3, 4).pickBestCard(), AffineCard::UW));
  ZEVRA_TRY(expectEqual(HomVec4::init(5, 1, 1, 1).pickBestCard(), AffineCard::UX));
  ZEVRA_TRY(expectEqual(HomVec4::init(1, 6, 1, 1).pickBestCard(), AffineCard::UY));
  ZEVRA_TRY(expectEqual(HomVec4::init(1, 1, 7, 1).pickBestCard(), AffineCard::UZ));
  return {};
}

}  // namespace zevra_kernel::test

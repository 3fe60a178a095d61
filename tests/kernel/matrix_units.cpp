// The matrix core and the transform builders: layout, determinant,
// normalisation, builder edges and algebraic properties on random matrices.
#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>

#include "kernel_units.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/pgl4.hpp"

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;

namespace {

constexpr PGL4 counting =
    PGL4::fromRowMajor(Rows4{{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}});

constexpr PGL4 diag(double a, double b, double c, double d) {
  return PGL4::init(a, 0, 0, 0, 0, b, 0, 0, 0, 0, c, 0, 0, 0, 0, d);
}

bool sameEntries(const PGL4& a, const PGL4& b) {
  for (std::size_t i = 0; i < 16; ++i)
    if (!(a.data[i] == b.data[i])) return false;
  return true;
}

bool samePoint(HomVec4 a, HomVec4 b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

}  // namespace

Status matrixLayoutAndTranspose() {
  ZEVRA_TRY(expect(counting.get(0, 1) == 2.0 && counting.get(1, 0) == 5.0));
  constexpr double column_major[16] = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
  for (std::size_t i = 0; i < 16; ++i) ZEVRA_TRY(expect(counting.data[i] == column_major[i]));
  const PGL4 t = counting.transpose();
  for (std::size_t i = 0; i < 16; ++i) ZEVRA_TRY(expect(t.data[i] == static_cast<double>(i + 1)));
  ZEVRA_TRY(expect(sameEntries(t.transpose(), counting)));
  PGL4 m = PGL4::identity();
  m.set(2, 3, 7.5);
  ZEVRA_TRY(expect(m.data[14] == 7.5 && m.get(2, 3) == 7.5 && m.get(3, 2) == 0.0));
  // Rows of the matrix times the column vector.
  const HomVec4 image = counting.apply(HomVec4::init(1, 0, 0, 1));
  ZEVRA_TRY(expect(samePoint(image, HomVec4::init(5, 13, 21, 29))));
  ZEVRA_TRY(
      expect(samePoint(counting.apply(HomVec4::init(0, 0, 0, 0)), HomVec4::init(0, 0, 0, 0))));
  return {};
}

Status determinantValues() {
  static_assert(diag(2, 3, 4, 5).det() == 120.0);
  ZEVRA_TRY(expect(counting.det() == 0.0));
  const PGL4 swap_xy =
      PGL4::fromRowMajor(Rows4{{{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
  ZEVRA_TRY(expect(swap_xy.det() == -1.0));
  const PGL4 zero_row =
      PGL4::fromRowMajor(Rows4{{{1, 2, 3, 4}, {0, 0, 0, 0}, {5, 6, 7, 9}, {1, 0, 2, 3}}});
  ZEVRA_TRY(expect(zero_row.det() == 0.0));
  // Expansion along row 0 with a zero first row entry still sees the rest.
  const PGL4 anti_diag =
      PGL4::fromRowMajor(Rows4{{{0, 0, 0, 2}, {0, 0, 3, 0}, {0, 4, 0, 0}, {5, 0, 0, 0}}});
  ZEVRA_TRY(expect(anti_diag.det() == 120.0));
  return {};
}

Status normalizeDetEdges() {
  ZEVRA_TRY(expectApproxEqAbs(diag(2, 3, 4, 1).normalizeDet().det(), 1.0, 1e-6));
  // A negative determinant keeps its sign.
  const PGL4 flipped = diag(-2, 2, 2, 2).normalizeDet();
  const PGL4 want = diag(-1, 1, 1, 1);
  for (std::size_t i = 0; i < 16; ++i)
    ZEVRA_TRY(expectApproxEqAbs(flipped.data[i], want.data[i], 1e-15));
  ZEVRA_TRY(expectApproxEqAbs(flipped.det(), -1.0, 1e-6));
  // Below 1e-15 nothing is rescaled (no infinite factor).
  const PGL4 zero{};
  ZEVRA_TRY(expect(sameEntries(zero.normalizeDet(), zero)));
  const PGL4 tiny = diag(1e-5, 1e-5, 1e-5, 1e-5);
  ZEVRA_TRY(expect(sameEntries(tiny.normalizeDet(), tiny)));
  return {};
}

Status builderEdges() {
  const PGL4 identity = PGL4::identity();
  ZEVRA_TRY(expect(sameEntries(pglTranslate(0, 0, 0), identity)));
  ZEVRA_TRY(expect(sameEntries(pglScale(1, 1, 1), identity)));
  const PGL4 r0 = pglRotateZ(0);
  ZEVRA_TRY(expect(sameEntries(r0, identity)));
  ZEVRA_TRY(expect(std::signbit(r0.data[4])));  // -sin(0) is -0.0
  ZEVRA_TRY(expect(pglTranslate(1, 2, 3).data[12] == 1.0 && pglTranslate(1, 2, 3).data[14] == 3.0));
  // A direction at infinity is not translated; w scales the translation.
  const PGL4 t = pglTranslate(10, 20, 30);
  ZEVRA_TRY(expect(samePoint(t.apply(HomVec4::init(1, 2, 3, 0)), HomVec4::init(1, 2, 3, 0))));
  ZEVRA_TRY(expect(samePoint(t.apply(HomVec4::init(1, 2, 3, 2)), HomVec4::init(21, 42, 63, 2))));
  // +x turns towards +y; cos(pi/2) is not exactly 0 but the f64 6.1e-17.
  static_assert(pglRotateZ(std::numbers::pi / 2).data[0] == 6.123233995736766e-17);
  const HomVec4 turned = pglRotateZ(std::numbers::pi / 2).apply(HomVec4::init(1, 0, 0, 1));
  ZEVRA_TRY(expect(samePoint(turned, HomVec4::init(cosine(std::numbers::pi / 2), 1, 0, 1))));
  ZEVRA_TRY(expect(turned.x != 0.0));
  ZEVRA_TRY(expect(pglRotateZ(0.5).get(0, 1) == -sine(0.5)));
  ZEVRA_TRY(expect(pglScale(0, 1, 1).det() == 0.0));
  ZEVRA_TRY(expect(pglScale(2, 3, 4).get(3, 3) == 1.0));
  // mul(T, S): S acts first.
  const HomVec4 moved = PGL4::mul(t, pglScale(2, 2, 2)).apply(HomVec4::fromCartesian(1, 1, 1));
  ZEVRA_TRY(expect(samePoint(moved, HomVec4::init(12, 22, 32, 1))));
  return {};
}

Status matrixProperties() {
  std::mt19937_64 rng(zevra_harness::randomSeed());
  std::uniform_real_distribution<double> entry(-2.0, 2.0);
  auto randomMatrix = [&] {
    PGL4 m{};
    for (double& e : m.data) e = entry(rng);
    return m;
  };
  const PGL4 identity = PGL4::identity();
  for (int round = 0; round < 500; ++round) {
    const PGL4 a = randomMatrix();
    const PGL4 b = randomMatrix();
    const HomVec4 p = HomVec4::init(entry(rng), entry(rng), entry(rng), entry(rng));

    ZEVRA_TRY(expect(sameEntries(PGL4::mul(identity, a), a)));
    ZEVRA_TRY(expect(sameEntries(PGL4::mul(a, identity), a)));
    ZEVRA_TRY(expect(samePoint(identity.apply(p), p)));
    ZEVRA_TRY(expect(sameEntries(a.transpose().transpose(), a)));

    const HomVec4 composed = PGL4::mul(a, b).apply(p);
    const HomVec4 chained = a.apply(b.apply(p));
    ZEVRA_TRY(expectApproxEqAbs(composed.x, chained.x, 1e-12));
    ZEVRA_TRY(expectApproxEqAbs(composed.y, chained.y, 1e-12));
    ZEVRA_TRY(expectApproxEqAbs(composed.z, chained.z, 1e-12));
    ZEVRA_TRY(expectApproxEqAbs(composed.w, chained.w, 1e-12));

    const double da = a.det();
    const double db = b.det();
    ZEVRA_TRY(
        expectApproxEqAbs(PGL4::mul(a, b).det(), da * db, 1e-11 * (1.0 + std::fabs(da * db))));
    ZEVRA_TRY(expectApproxEqAbs(a.transpose().det(), da, 1e-12 * (1.0 + std::fabs(da))));

    if (std::fabs(da) > 1e-6) {
      const double normalized = a.normalizeDet().det();
      ZEVRA_TRY(expectApproxEqAbs(std::fabs(normalized), 1.0, 1e-9));
      ZEVRA_TRY(expect(std::signbit(normalized) == std::signbit(da)));
    }
  }
  return {};
}

}  // namespace kernel_units

// The Newton-Schulz inverse (convergence counts, degenerate input) and the
// operator algebra built on it.
#include <cmath>
#include <cstddef>

#include "kernel_units.hpp"
#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/inverse.hpp"
#include "zevra_kernel/operators.hpp"

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;

namespace {

constexpr PGL4 diag(double a, double b, double c, double d) {
  return PGL4::init(a, 0, 0, 0, 0, b, 0, 0, 0, 0, c, 0, 0, 0, 0, d);
}

Status expectNear(const PGL4& got, const PGL4& want, double tolerance) {
  for (std::size_t i = 0; i < 16; ++i)
    ZEVRA_TRY(expectApproxEqAbs(got.data[i], want.data[i], tolerance));
  return {};
}

bool sameEntries(const PGL4& a, const PGL4& b) {
  for (std::size_t i = 0; i < 16; ++i)
    if (!(a.data[i] == b.data[i])) return false;
  return true;
}

}  // namespace

Status inverseConvergence() {
  NewtonSchulzResult r = newtonSchulzInverse(pglScale(2, 3, 4), 1e-10, 15);
  ZEVRA_TRY(expect(r.iterations == 10));
  ZEVRA_TRY(expectNear(PGL4::mul(pglScale(2, 3, 4), r.inverse), PGL4::identity(), 1e-6));
  ZEVRA_TRY(expect(sameEntries(pglScale(2, 3, 4).inverse(1e-10, 15), r.inverse)));

  // X0 = I/4; the residual 0.75^(2^k) first drops below 1e-12 at k = 7.
  r = newtonSchulzInverse(PGL4::identity(), 0, 50);
  ZEVRA_TRY(expect(r.iterations == 7));
  ZEVRA_TRY(expectNear(r.inverse, PGL4::identity(), 1e-12));

  // What is inverted is the shifted matrix self + delta I.
  r = newtonSchulzInverse(diag(2, 3, 4, 1), 1, 50);
  ZEVRA_TRY(expect(r.iterations == 9));
  ZEVRA_TRY(expectNear(r.inverse, diag(1.0 / 3, 1.0 / 4, 1.0 / 5, 1.0 / 2), 1e-12));

  // A slowly converging matrix uses up the bound and returns its last iterate.
  r = newtonSchulzInverse(diag(1e3, 1, 1, 1), 0, 5);
  ZEVRA_TRY(expect(r.iterations == 5));

  // max_iter = 0: the starting guess m_reg^T / |m_reg|_F^2, untouched.
  const PGL4 m = PGL4::init(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  PGL4 m_reg = m;
  for (std::size_t i = 0; i < 4; ++i) m_reg.set(i, i, m.get(i, i) + 0.5);
  double norm_sq = 0;
  for (const double e : m_reg.data) norm_sq = norm_sq + e * e;
  PGL4 guess = m_reg.transpose();
  for (double& e : guess.data) e = e / norm_sq;
  r = newtonSchulzInverse(m, 0.5, 0);
  ZEVRA_TRY(expect(r.iterations == 0 && sameEntries(r.inverse, guess)));
  return {};
}

Status inverseDegenerate() {
  const PGL4 zero{};
  // The zero matrix shifted by 1e-3: X0 = 250 I, converging to 1000 I.
  NewtonSchulzResult r = newtonSchulzInverse(zero, 1e-3, 15);
  ZEVRA_TRY(expect(r.iterations == 7));
  ZEVRA_TRY(expectNear(r.inverse, diag(1000, 1000, 1000, 1000), 1e-9));
  // Nothing to shift: every entry is NaN, the NaN residual is ignored and the
  // loop ends after one iteration.
  for (const std::uint32_t bound : {0u, 1u, 15u}) {
    r = newtonSchulzInverse(zero, 0, bound);
    ZEVRA_TRY(expect(r.iterations == (bound == 0 ? 0u : 1u)));
    for (const double e : r.inverse.data) ZEVRA_TRY(expect(std::isnan(e)));
  }
  // A singular matrix never reaches the stop test; the iterates approach the
  // pseudo-inverse, here diag(0, 1, 1, 1).
  r = newtonSchulzInverse(pglScale(0, 1, 1), 0, 40);
  ZEVRA_TRY(expect(r.iterations == 40));
  ZEVRA_TRY(expectNear(r.inverse, diag(0, 1, 1, 1), 1e-12));
  return {};
}

Status operatorEdges() {
  const PGL4 zero{};
  ZEVRA_TRY(expect(sameEntries(computeResonance(PGL4::identity()), zero)));
  const PGL4 anti =
      PGL4::fromRowMajor(Rows4{{{0, 1, 2, 3}, {-1, 0, 4, 5}, {-2, -4, 0, 6}, {-3, -5, -6, 0}}});
  PGL4 twice = anti;
  for (double& e : twice.data) e = 2 * e;
  ZEVRA_TRY(expect(sameEntries(computeResonance(anti), twice)));

  // J J^T = I, trivial null space: about 2 delta I is left.
  const PGL4 full = PGL4::init(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0);
  ZEVRA_TRY(expectNear(computeProjector(full, 1e-8), diag(2e-8, 2e-8, 2e-8, 2e-8), 1e-14));

  // Rotation generator of the (x, y) plane only: z and w pass unchanged, and
  // the 2 delta block of the inverse runs all 8 iterations.
  const PGL4 xy = PGL4::init(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  ZEVRA_TRY(expectNear(computeProjector(xy, 1e-8), diag(2e-8, 2e-8, 1, 1), 1e-14));
  PGL4 jjt = PGL4::mul(xy, xy.transpose());
  for (std::size_t i = 0; i < 4; ++i) jjt.set(i, i, jjt.get(i, i) + 1e-8);
  ZEVRA_TRY(expect(newtonSchulzInverse(jjt, 1e-8, 8).iterations == 8));

  // Nothing to remove: exactly the identity. Without a shift: all NaN.
  ZEVRA_TRY(expect(sameEntries(computeProjector(zero, 1e-8), PGL4::identity())));
  for (const double e : computeProjector(zero, 0).data) ZEVRA_TRY(expect(std::isnan(e)));

  // epsilon = 0 is the plain product; with y = I and epsilon = 1 the diagonal
  // of x is added once more.
  const PGL4 x = PGL4::init(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  const PGL4 t = pglTranslate(3, -1, 2);
  ZEVRA_TRY(expect(sameEntries(deformedTensorProduct(x, t, 0), PGL4::mul(x, t))));
  PGL4 with_diagonal = x;
  for (std::size_t i = 0; i < 4; ++i) with_diagonal.set(i, i, 2 * x.get(i, i));
  ZEVRA_TRY(expect(sameEntries(deformedTensorProduct(x, PGL4::identity(), 1), with_diagonal)));
  // The weighted term is the Hadamard product, not a second matrix product.
  const PGL4 d = deformedTensorProduct(x, x, 0.5);
  const PGL4 xx = PGL4::mul(x, x);
  for (std::size_t i = 0; i < 16; ++i)
    ZEVRA_TRY(expect(d.data[i] == xx.data[i] + (0.5 * x.data[i]) * x.data[i]));
  return {};
}

}  // namespace kernel_units

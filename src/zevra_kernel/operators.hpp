#pragma once
// Matrices as linear operators: the resonance J = A - A^T, the regularised
// projector onto ker J, and the epsilon-deformed product.

#include "zevra_kernel/pgl4.hpp"

namespace zevra_kernel {

// A - A^T: antisymmetric, zero diagonal (twice the antisymmetric part of A).
constexpr PGL4 computeResonance(PGL4 a) { return a - a.transpose(); }

// I - J^T (J J^T + delta I)^-1 J with the inverse taken by PGL4::inverse with
// the same delta and 8 iterations (which shifts the diagonal by delta once
// more). For small delta this is the orthogonal projector onto ker J.
PGL4 computeProjector(PGL4 jc, double delta);

// x * y plus the entrywise product weighted by epsilon, each term formed as
// (epsilon * x[i]) * y[i]; epsilon = 0 gives x * y.
constexpr PGL4 deformedTensorProduct(PGL4 x, PGL4 y, double epsilon) {
  return PGL4::mul(x, y) + PGL4::hadamard(epsilon * x, y);
}

}  // namespace zevra_kernel

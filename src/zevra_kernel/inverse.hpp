#pragma once
// The regularised Newton-Schulz inverse behind PGL4::inverse. It starts from
// X0 = A^T / |A|_F^2 with A = M + delta * I (every eigenvalue of A * X0 then
// lies in [0, 1]) and iterates X <- X * (2I - A * X) until the largest entry
// of |A * X - I| is below 1e-12 or max_iter iterations have run.

#include <cstdint>

#include "zevra_kernel/pgl4.hpp"

namespace zevra_kernel {

struct NewtonSchulzResult {
  PGL4 inverse;
  std::uint32_t iterations;  // iterations run, at most max_iter
};

// PGL4::inverse with the number of iterations it took.
NewtonSchulzResult newtonSchulzInverse(PGL4 m, double delta, std::uint32_t max_iter);

}  // namespace zevra_kernel

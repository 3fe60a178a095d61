// fsDistance over many points in one vectorised loop. Every step is the
// same IEEE operation in the same order as in fsDistance, so each lane gives
// the bits of the scalar call; the early return there is a select here.
// Built with -fno-math-errno (sqrt is then the bare instruction; its value is
// the same) and the dynamic vectoriser cost model, see CMakeLists.txt.
#include <algorithm>
#include <cmath>

#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/metric.hpp"

namespace zevra_kernel {

namespace {

// HomVec4::norm, here where the loop can inline it.
inline double norm4(HomVec4 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z + v.w * v.w); }

}  // namespace

// The AVX2 version runs four lanes; "avx2" brings no FMA, so products and
// sums are rounded one by one as in the baseline version. That one stays
// scalar: without SSE4.2 the compiler cannot vectorise the bit selects.
[[gnu::target_clones("avx2", "default")]] void fsDistanceBatch(std::span<const HomVec4> positions,
                                                               HomVec4 reference,
                                                               std::span<double> output) {
  const std::size_t n = std::min(positions.size(), output.size());
  const HomVec4* in = positions.data();
  double* out = output.data();
  const double n2 = norm4(reference);
  for (std::size_t i = 0; i < n; ++i) {
    const HomVec4 a = in[i];
    const double n1 = norm4(a);
    const double d = std::fabs(HomVec4::dot(a, reference)) / (n1 * n2);
    const double cos_theta = selectBits(d < 1.0, d, 1.0);  // NaN gives 1
    out[i] = selectBits((n1 < 1e-15) | (n2 < 1e-15), 0.0, acosUnit(cos_theta));
  }
}

}  // namespace zevra_kernel

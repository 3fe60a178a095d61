// fsDistance over many points in one vectorised loop. Every step is the
// same IEEE operation in the same order as in fsDistance, so each lane gives
// the bits of the scalar call; the early return there is a select here.
// Built with -fno-math-errno (sqrt is then the bare instruction; its value is
// the same) and the dynamic vectoriser cost model, see CMakeLists.txt.
#include <cpuid.h>

#include <algorithm>
#include <cmath>

#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/metric.hpp"

namespace zevra_kernel {

namespace {

// HomVec4::norm, here where the loop can inline it.
inline double norm4(HomVec4 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z + v.w * v.w); }

// The loop itself, inlined into each instruction-set version below.
[[gnu::always_inline]] inline void distanceLoop(std::span<const HomVec4> positions,
                                                HomVec4 reference, std::span<double> output) {
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

// AVX2 with the operating system saving the 256-bit registers.
bool cpuHasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
  const bool osxsave = (c & bit_OSXSAVE) != 0, avx = (c & bit_AVX) != 0;
  if (!osxsave || !avx) return false;
  unsigned lo = 0, hi = 0;
  __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  if ((lo & 6u) != 6u) return false;  // XMM and YMM state enabled
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
  return (b & bit_AVX2) != 0;
}

}  // namespace

namespace detail {

// Four lanes; "avx2" brings no FMA, so products and sums are rounded one by
// one exactly as in the baseline version.
[[gnu::target("avx2")]] void fsDistanceBatchAvx2(std::span<const HomVec4> positions,
                                                 HomVec4 reference, std::span<double> output) {
  distanceLoop(positions, reference, output);
}

// Without SSE4.2 the compiler cannot vectorise the bit selects: scalar, but
// branch-free and bit for bit the same.
void fsDistanceBatchBaseline(std::span<const HomVec4> positions, HomVec4 reference,
                             std::span<double> output) {
  distanceLoop(positions, reference, output);
}

bool fsDistanceBatchHasAvx2() {
  // Asked on first use rather than by a load-time resolver, so that start-up
  // runs no CPU detection (cpuid traps to the hypervisor on virtual machines).
  static const bool avx2 = cpuHasAvx2();
  return avx2;
}

}  // namespace detail

void fsDistanceBatch(std::span<const HomVec4> positions, HomVec4 reference,
                     std::span<double> output) {
  if (detail::fsDistanceBatchHasAvx2()) detail::fsDistanceBatchAvx2(positions, reference, output);
  else detail::fsDistanceBatchBaseline(positions, reference, output);
}

}  // namespace zevra_kernel

// The CPU's vector extensions, asked with cpuid and xgetbv: an instruction set
// counts only when the operating system also saves its registers.
#include "zevra_kernel/simd_path.hpp"

#include <cpuid.h>

namespace zevra_kernel {

namespace {

// XCR0: SSE and AVX state; and the AVX-512 mask and upper-register state.
constexpr std::uint64_t xcr0_avx = 0x6;
constexpr std::uint64_t xcr0_avx512 = 0xE0;

SimdPath detectSimdPath() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return SimdPath::baseline;
  if ((c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0) return SimdPath::baseline;
  unsigned lo = 0, hi = 0;
  __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  const std::uint64_t xcr0 = (std::uint64_t{hi} << 32) | lo;
  if ((xcr0 & xcr0_avx) != xcr0_avx) return SimdPath::baseline;
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return SimdPath::baseline;
  if ((b & bit_AVX2) == 0) return SimdPath::baseline;
  const bool avx512 = (b & bit_AVX512F) != 0 && (xcr0 & xcr0_avx512) == xcr0_avx512;
  return avx512 ? SimdPath::avx512 : SimdPath::avx2;
}

}  // namespace

SimdPath bestSimdPath() {
  static const SimdPath best = detectSimdPath();
  return best;
}

}  // namespace zevra_kernel

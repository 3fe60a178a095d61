// The CPU's vector extensions: an instruction set counts only when the
// operating system also saves its registers. glibc asked the CPU at start-up
// and keeps the answer; elsewhere cpuid and xgetbv ask again (each cpuid traps
// to the hypervisor on a virtual machine, about 5 µs on the benchmark's).
// Targets other than x86-64 have the baseline alone.
#include "zevra_kernel/simd_path.hpp"

#if defined(__x86_64__) && defined(__GLIBC__) && __has_include(<sys/platform/x86.h>)
#define ZEVRA_GLIBC_CPU_FEATURES 1
#if defined(__clang__)
#define _Bool bool  // the header is C's; Clang's C++ has no _Bool
#endif
#include <sys/platform/x86.h>
#undef _Bool
#elif defined(__x86_64__)
#include <cpuid.h>
#endif

namespace zevra_kernel {

#if defined(__x86_64__)

namespace {

#if defined(ZEVRA_GLIBC_CPU_FEATURES)

// "Active": the CPU has it and the operating system saves its state.
SimdPath detectSimdPath() {
  if (!CPU_FEATURE_ACTIVE(AVX2)) return SimdPath::baseline;
  return CPU_FEATURE_ACTIVE(AVX512F) ? SimdPath::avx512 : SimdPath::avx2;
}

#else

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

#endif

}  // namespace

SimdPath bestSimdPath() {
  static const SimdPath best = detectSimdPath();
  return best;
}

#else

SimdPath bestSimdPath() { return SimdPath::baseline; }

#endif

}  // namespace zevra_kernel

#pragma once
// Tangent of an f64 in radians, over the whole f64 range, within 1 ulp of
// the correctly rounded value and with the same bits on every target and in
// constant evaluation. NaN and infinities give NaN; tangent(-0) is -0.

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "zevra_kernel/half_pi_reduction.hpp"
#include "zevra_kernel/rounded.hpp"
#include "zevra_kernel/simd_lanes.hpp"

namespace zevra_kernel {

namespace detail {

// tan(x + y) for |x| <= about pi/4, or -1/tan(x + y) when `cotangent` (an odd
// quadrant). fdlibm's k_tan.c (public domain): x + x^3 T(x^2), T a minimax
// fit of 13 terms; from 0.6743 on it works on pi/4 - x instead, through
// tan(pi/4 - t) = 1 - 2 tan t / (1 + tan t); and -1/(x + r) is formed from a
// 21-bit head of x + r and of its reciprocal, whose products are exact.
constexpr double tanKernel(double x, double y, bool cotangent) {
  constexpr double T0 = 3.33333333333334091986e-01, T1 = 1.33333333333201242699e-01,
                   T2 = 5.39682539762260521377e-02, T3 = 2.18694882948595424599e-02,
                   T4 = 8.86323982359930005737e-03, T5 = 3.59207910759131235356e-03,
                   T6 = 1.45620945432529025516e-03, T7 = 5.88041240820264096874e-04,
                   T8 = 2.46463134818469906812e-04, T9 = 7.81794442939557092300e-05,
                   T10 = 7.14072491382608190305e-05, T11 = -1.85586374855275456654e-05,
                   T12 = 2.59073051863633712884e-05;
  constexpr double pio4 = 7.85398163397448278999e-01, pio4_lo = 3.06161699786838301793e-17;
  static_assert(std::bit_cast<std::uint64_t>(T0) == 0x3FD5555555555563);
  static_assert(std::bit_cast<std::uint64_t>(T1) == 0x3FC111111110FE7A);
  static_assert(std::bit_cast<std::uint64_t>(T2) == 0x3FABA1BA1BB341FE);
  static_assert(std::bit_cast<std::uint64_t>(T3) == 0x3F9664F48406D637);
  static_assert(std::bit_cast<std::uint64_t>(T4) == 0x3F8226E3E96E8493);
  static_assert(std::bit_cast<std::uint64_t>(T5) == 0x3F6D6D22C9560328);
  static_assert(std::bit_cast<std::uint64_t>(T6) == 0x3F57DBC8FEE08315);
  static_assert(std::bit_cast<std::uint64_t>(T7) == 0x3F4344D8F2F26501);
  static_assert(std::bit_cast<std::uint64_t>(T8) == 0x3F3026F71A8D1068);
  static_assert(std::bit_cast<std::uint64_t>(T9) == 0x3F147E88A03792A6);
  static_assert(std::bit_cast<std::uint64_t>(T10) == 0x3F12B80F32F0A7E9);
  static_assert(std::bit_cast<std::uint64_t>(T11) == 0xBEF375CBDB605373);
  static_assert(std::bit_cast<std::uint64_t>(T12) == 0x3EFB2A7074BF7AD4);
  static_assert(std::bit_cast<std::uint64_t>(pio4) == 0x3FE921FB54442D18);
  static_assert(std::bit_cast<std::uint64_t>(pio4_lo) == 0x3C81A62633145C07);

  const bool negative = x < 0;
  const bool near_pio4 = (negative ? -x : x) >= 0x1.59428p-1;  // about 0.6743
  if (near_pio4) {
    if (negative) {
      x = -x;
      y = -y;
    }
    x = (pio4 - x) + (pio4_lo - y);
    y = 0.0;
  }
  const double z = x * x;
  const double w = z * z;
  // The odd terms in two interleaved halves, x^5 (T1 + x^4 T3 + ... + x^20 T11)
  // and x^5 x^2 (T2 + x^4 T4 + ... + x^20 T12), for shorter chains.
  double r = T11;
  for (const double c : {T9, T7, T5, T3, T1}) r = c + rounded(w * r);
  double v = T12;
  for (const double c : {T10, T8, T6, T4, T2}) v = c + rounded(w * v);
  v = rounded(z * v);
  const double s = z * x;
  const double tail = rounded(T0 * s) + (y + rounded(z * (rounded(s * (r + v)) + y)));
  const double t = x + tail;
  if (near_pio4) {
    const double parity = cotangent ? -1.0 : 1.0;
    const double folded = parity - rounded(2.0 * (x - (rounded(t * t) / (t + parity) - tail)));
    return negative ? -folded : folded;
  }
  if (!cotangent) return t;
  // -1 / (x + tail) = a_head + a (1 + a_head t_head + a_head t_low) to
  // second order, with a = -1/t and the heads' products exact.
  const double t_head = simd::keepBits(t, 0xFFFFFFFF00000000ull);
  const double t_low = tail - (t_head - x);
  const double a = -1.0 / t;
  const double a_head = simd::keepBits(a, 0xFFFFFFFF00000000ull);
  const double e = 1.0 + rounded(a_head * t_head);
  return a_head + rounded(a * (e + rounded(a_head * t_low)));
}

}  // namespace detail

constexpr double tangent(double x) {
  const double ax = x < 0 ? -x : x;
  // Below 2^-27, x^3/3 is under a quarter ulp of x: tan x rounds to x.
  if (ax < 0x1p-27) return x;
  double t;
  if (ax <= 0.78539816339744827900) {  // the f64 below pi/4
    t = detail::tanKernel(ax, 0.0, false);
  } else if (ax < std::numeric_limits<double>::infinity()) {
    const HalfPiReduced r = reduceHalfPi(ax);
    t = detail::tanKernel(r.hi, r.lo, (r.quadrant & 1) != 0);
  } else {
    return std::numeric_limits<double>::quiet_NaN();  // an infinity or a NaN
  }
  return x < 0 ? -t : t;
}

}  // namespace zevra_kernel

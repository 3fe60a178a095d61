#pragma once
// The arc cosine of the metric: acos on [0, 1] within 1 ulp of the correctly
// rounded value, written without branches or calls, for one f64 or for a
// vector of lanes (simd_lanes.hpp). fsDistance and its batch both use it and
// so give the same bits. arcCosine extends it to [-1, 1] for one f64.

#include <bit>
#include <cmath>
#include <cstdint>

#include "zevra_kernel/rounded.hpp"
#include "zevra_kernel/simd_lanes.hpp"

namespace zevra_kernel {

namespace detail {

// z P(z) and Q(z) of asin(s) = s + s z P(z) / Q(z), z = s^2 in [0, 1/4].
template <typename T>
struct AsinRational {
  T p;
  T q;
};

template <typename T>
[[gnu::always_inline]] inline AsinRational<T> asinRational(const T& z) {
  constexpr double pS0 = 1.66666666666666657415e-01;
  constexpr double pS1 = -3.25565818622400915405e-01;
  constexpr double pS2 = 2.01212532134862925881e-01;
  constexpr double pS3 = -4.00555345006794114027e-02;
  constexpr double pS4 = 7.91534994289814532176e-04;
  constexpr double pS5 = 3.47933107596021167570e-05;
  constexpr double qS1 = -2.40339491173441421878e+00;
  constexpr double qS2 = 2.02094576023350569471e+00;
  constexpr double qS3 = -6.88283971605453293030e-01;
  constexpr double qS4 = 7.70381505559019352791e-02;
  // The decimal literals read back as fdlibm's published bit patterns.
  static_assert(std::bit_cast<std::uint64_t>(pS0) == 0x3FC5555555555555);
  static_assert(std::bit_cast<std::uint64_t>(pS1) == 0xBFD4D61203EB6F7D);
  static_assert(std::bit_cast<std::uint64_t>(pS2) == 0x3FC9C1550E884455);
  static_assert(std::bit_cast<std::uint64_t>(pS3) == 0xBFA48228B5688F3B);
  static_assert(std::bit_cast<std::uint64_t>(pS4) == 0x3F49EFE07501B288);
  static_assert(std::bit_cast<std::uint64_t>(pS5) == 0x3F023DE10DFDF709);
  static_assert(std::bit_cast<std::uint64_t>(qS1) == 0xC0033A271C8A2D4B);
  static_assert(std::bit_cast<std::uint64_t>(qS2) == 0x40002AE59C598AC8);
  static_assert(std::bit_cast<std::uint64_t>(qS3) == 0xBFE6066C1B8D0159);
  static_assert(std::bit_cast<std::uint64_t>(qS4) == 0x3FB3B8C5B12E9282);

  // Each product that a sum takes is rounded(...): a value of its own, which
  // a build with FMA contraction may not fuse into the sum (rounded.hpp).
  const T z2 = z * z;
  const T p01 = pS0 + rounded(z * pS1), p23 = pS2 + rounded(z * pS3);
  const T p45 = pS4 + rounded(z * pS5);
  const T p = z * (p01 + rounded(z2 * (p23 + rounded(z2 * p45))));
  const T q12 = qS1 + rounded(z * qS2), q34 = qS3 + rounded(z * qS4);
  const T q = 1.0 + rounded(z * (q12 + rounded(z2 * q34)));
  return {p, q};
}

// s split into a 21-bit head, whose square is exact, and the rest.
template <typename T>
[[gnu::always_inline]] inline T sqrtHead(const T& s) {
  return simd::keepBits(s, 0xFFFFFFFF00000000ull);
}

}  // namespace detail

// acos(x) in radians for x in [0, 1], the clamped cosine of the metric: less
// than 1 ulp from the true value, so at most one step from the correctly
// rounded one; acosUnit(0) = pi/2 rounded and acosUnit(1) = 0. NaN gives NaN;
// other inputs outside [0, 1] give unspecified values, but nothing traps.
//
// Both halves of the classic reduction are computed and one is selected:
//   x < 0.5:   acos(x) = pi/2 - asin(x),   asin(x) = x + x * r(x^2)
//   x >= 0.5:  acos(x) = 2 * asin(s),      s = sqrt(z), z = (1 - x) / 2,
//                                          asin(s) = s + s * r(z)
// with one rational r(t) = t * P(t) / Q(t) on t in [0, 1/4] for both.
// pi/2 is split into hi + lo so that the large term adds no rounding; s is
// split into a 21-bit head (head^2 exact) and the correction (z - head^2) /
// (s + head), which recovers the bits the rounded sqrt lost. The small term
// of each half is one quotient, num / den, so that a lane divides once:
//   x < 0.5:   x * r             = (x * p) / q
//   x >= 0.5:  s * r + correction = (p * s * (s + head) + q * (z - head^2)) / (q * (s + head))
// P and Q are fdlibm's minimax coefficients (e_asin.c, public domain), summed
// by Estrin's scheme (pairs, then powers of z^2) rather than Horner's: half
// the chain of dependent operations, which is what bounds a vector loop here.
template <typename T>
[[gnu::always_inline]] inline T acosUnit(const T& x) {
  using simd::selectBits;
  using simd::sqrtLanes;
  constexpr double pio2_hi = 1.57079632679489655800e+00;
  constexpr double pio2_lo = 6.12323399573676603587e-17;
  static_assert(std::bit_cast<std::uint64_t>(pio2_hi) == 0x3FF921FB54442D18);
  static_assert(std::bit_cast<std::uint64_t>(pio2_lo) == 0x3C91A62633145C07);

  const auto low = x < 0.5;  // false for NaN, which the upper half passes on
  const T z = selectBits(low, x * x, (1.0 - x) * 0.5);
  const auto [p, q] = detail::asinRational(z);

  const T s = sqrtLanes(z);
  const T head = detail::sqrtHead(s);
  const T s_head = s + head;
  const T num =
      selectBits(low, x * p, rounded((p * s) * s_head) + rounded(q * (z - rounded(head * head))));
  const T den = selectBits(low, q, q * s_head);
  const T small = num / den;

  // pi/2 - (x + x * r), the small lo part met first.
  const T acos_low = pio2_hi - (x - (pio2_lo - small));
  const T acos_high = 2.0 * (head + small);
  // At x = 1 the high quotient is 0 / 0; there acos is exactly 0.
  return selectBits(low, acos_low, selectBits(x == 1.0, simd::broadcast<T>(0.0), acos_high));
}

// acos(x) in radians for x in [-1, 1], within 1 ulp of the correctly rounded
// value; NaN gives NaN, x < -1 NaN and x > 1 an unspecified value.
inline double arcCosine(double x) {
  // pi/2 - asin(x), acosUnit's lower half, holds for negative x too.
  if (!(x <= -0.5)) return acosUnit(x);
  constexpr double pi_hi = 3.14159265358979311600e+00;  // 2 pio2_hi, 0x400921FB54442D18
  constexpr double pi_lo = 1.22464679914735320717e-16;  // 2 pio2_lo, 0x3CA1A62633145C07
  static_assert(std::bit_cast<std::uint64_t>(pi_hi) == 0x400921FB54442D18);
  static_assert(std::bit_cast<std::uint64_t>(pi_lo) == 0x3CA1A62633145C07);
  if (x == -1.0) return pi_hi;  // the quotient below would be 0 / 0
  // pi - 2 asin(s), s = sqrt(z), z = (1 + x) / 2 (exact), with asin(s) =
  // head + small as in acosUnit's upper half. pi_hi - 2 head is exact (the
  // head's last bit is at least 2^-52), so only the small term and the
  // final difference round.
  const double z = rounded((1.0 + x) * 0.5);
  const auto [p, q] = detail::asinRational(z);
  const double s = std::sqrt(z);
  const double head = detail::sqrtHead(s);
  const double s_head = s + head;
  const double small =
      (rounded((p * s) * s_head) + rounded(q * (z - rounded(head * head)))) / (q * s_head);
  return (pi_hi - rounded(2.0 * head)) - (rounded(2.0 * small) - pi_lo);
}

}  // namespace zevra_kernel

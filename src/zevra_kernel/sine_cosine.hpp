#pragma once
// Sine and cosine of an f64 in radians, over the whole f64 range, within 1
// ulp of the correctly rounded value and with the same bits on every target
// and in constant evaluation: |x| <= pi/4 goes straight to the polynomials,
// any other finite x through the reduction to [-pi/4, pi/4]
// (half_pi_reduction.hpp). NaN and infinities give NaN; sine(-0) is -0.

#include <bit>
#include <cstdint>
#include <limits>

#include "zevra_kernel/half_pi_reduction.hpp"
#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

struct SinCos {
  double sin;
  double cos;
};

namespace detail {

// sin(x + y) for |x| <= about pi/4, y the tail of a reduced argument (0 for
// an exact one, which takes the shorter form): x + x^3 (S1 + x^2 S(x^2)).
// The coefficients are fdlibm's (k_sin.c, public domain), a minimax fit of
// the odd terms whose error is below 2^-58 of the result.
constexpr double sinKernel(double x, double y, bool exact) {
  constexpr double S1 = -1.66666666666666324348e-01;
  constexpr double S2 = 8.33333333332248946124e-03;
  constexpr double S3 = -1.98412698298579493134e-04;
  constexpr double S4 = 2.75573137070700676789e-06;
  constexpr double S5 = -2.50507602534068634195e-08;
  constexpr double S6 = 1.58969099521155010221e-10;
  static_assert(std::bit_cast<std::uint64_t>(S1) == 0xBFC5555555555549);
  static_assert(std::bit_cast<std::uint64_t>(S2) == 0x3F8111111110F8A6);
  static_assert(std::bit_cast<std::uint64_t>(S3) == 0xBF2A01A019C161D5);
  static_assert(std::bit_cast<std::uint64_t>(S4) == 0x3EC71DE357B1FE7D);
  static_assert(std::bit_cast<std::uint64_t>(S5) == 0xBE5AE5E68A2B9CEB);
  static_assert(std::bit_cast<std::uint64_t>(S6) == 0x3DE5D93A5ACFD57C);
  const double z = x * x;
  const double w = z * z;
  const double r =
      (S2 + rounded(z * (S3 + rounded(z * S4)))) + rounded(rounded(z * w) * (S5 + rounded(z * S6)));
  const double v = z * x;
  if (exact) return x + rounded(v * (S1 + rounded(z * r)));
  // The tail enters as y cos x to second order, y - x^2 y / 2.
  return x - ((rounded(z * (rounded(0.5 * y) - rounded(v * r))) - y) - rounded(v * S1));
}

// cos(x + y) for |x| <= about pi/4: 1 - x^2/2 + x^4 C(x^2), the 1 - x^2/2
// summed with its rounding error recovered, the tail entering as -x y.
// Coefficients from fdlibm's k_cos.c (public domain), error below 2^-58.
constexpr double cosKernel(double x, double y) {
  constexpr double C1 = 4.16666666666666019037e-02;
  constexpr double C2 = -1.38888888888741095749e-03;
  constexpr double C3 = 2.48015872894767294178e-05;
  constexpr double C4 = -2.75573143513906633035e-07;
  constexpr double C5 = 2.08757232129817482790e-09;
  constexpr double C6 = -1.13596475577881948265e-11;
  static_assert(std::bit_cast<std::uint64_t>(C1) == 0x3FA555555555554C);
  static_assert(std::bit_cast<std::uint64_t>(C2) == 0xBF56C16C16C15177);
  static_assert(std::bit_cast<std::uint64_t>(C3) == 0x3EFA01A019CB1590);
  static_assert(std::bit_cast<std::uint64_t>(C4) == 0xBE927E4F809C52AD);
  static_assert(std::bit_cast<std::uint64_t>(C5) == 0x3E21EE9EBDB4B1C4);
  static_assert(std::bit_cast<std::uint64_t>(C6) == 0xBDA8FAE9BE8838D4);
  const double z = x * x;
  const double w = z * z;
  const double r = rounded(z * (C1 + rounded(z * (C2 + rounded(z * C3))))) +
                   rounded(rounded(w * w) * (C4 + rounded(z * (C5 + rounded(z * C6)))));
  const double hz = rounded(0.5 * z);
  const double one_minus_hz = 1.0 - hz;
  return one_minus_hz + (((1.0 - one_minus_hz) - hz) + (rounded(z * r) - rounded(x * y)));
}

}  // namespace detail

// Both at once, from one reduction.
constexpr SinCos sinCos(double x) {
  const double ax = x < 0 ? -x : x;
  const double sign = x < 0 ? -1.0 : 1.0;
  // Below 2^-27, x^3/6 is under a quarter ulp of x and x^2/2 under a quarter
  // ulp of 1: sin x rounds to x (-0 and subnormals included) and cos x to 1.
  if (ax < 0x1p-27) return {x, 1.0};
  if (ax <= 0.78539816339744827900) {  // the f64 below pi/4
    return {detail::sinKernel(x, 0.0, true), detail::cosKernel(x, 0.0)};
  }
  if (!(ax < std::numeric_limits<double>::infinity())) {
    // An infinity or a NaN: no angle. The same quiet NaN on every target,
    // rather than one whose sign and payload depend on the instruction set.
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  const HalfPiReduced r = reduceHalfPi(ax);
  const double s = detail::sinKernel(r.hi, r.lo, false);
  const double c = detail::cosKernel(r.hi, r.lo);
  // sin and cos of quadrant * pi/2 + r.
  switch (r.quadrant) {
    case 0:
      return {sign * s, c};
    case 1:
      return {sign * c, -s};
    case 2:
      return {sign * -s, -c};
    default:
      return {sign * -c, s};
  }
}

// Each alone, the same bits as sinCos with one polynomial instead of two.
constexpr double sine(double x) {
  const double ax = x < 0 ? -x : x;
  if (ax < 0x1p-27) return x;
  if (ax <= 0.78539816339744827900) return detail::sinKernel(x, 0.0, true);
  if (!(ax < std::numeric_limits<double>::infinity()))
    return std::numeric_limits<double>::quiet_NaN();
  const HalfPiReduced r = reduceHalfPi(ax);
  const double v =
      (r.quadrant & 1) != 0 ? detail::cosKernel(r.hi, r.lo) : detail::sinKernel(r.hi, r.lo, false);
  return (x < 0 ? -1.0 : 1.0) * ((r.quadrant & 2) != 0 ? -v : v);
}

constexpr double cosine(double x) {
  const double ax = x < 0 ? -x : x;
  if (ax < 0x1p-27) return 1.0;
  if (ax <= 0.78539816339744827900) return detail::cosKernel(x, 0.0);
  if (!(ax < std::numeric_limits<double>::infinity()))
    return std::numeric_limits<double>::quiet_NaN();
  const HalfPiReduced r = reduceHalfPi(ax);
  const double v =
      (r.quadrant & 1) != 0 ? detail::sinKernel(r.hi, r.lo, false) : detail::cosKernel(r.hi, r.lo);
  return ((r.quadrant + 1) & 2) != 0 ? -v : v;  // cos x = sin(x + pi/2)
}

}  // namespace zevra_kernel

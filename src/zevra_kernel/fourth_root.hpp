#pragma once
// x^(-1/4), the scale that brings a matrix to a unit determinant, within 1
// ulp of the correctly rounded value (about half an ulp) for every f64, with
// the same bits on every target: square roots, a division and one Newton
// step whose residual is computed without error, nothing from the C library.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "zevra_kernel/error_free.hpp"
#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

// x^(-1/4) for x >= 0, as pow(x, -0.25): +inf for +-0, +0 for +inf, NaN for
// a negative x or a NaN.
inline double inverseFourthRoot(double x) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  if (!(x > 0.0)) return x == 0.0 ? inf : std::numeric_limits<double>::quiet_NaN();
  if (!(x < inf)) return 0.0;
  // The smallest numbers are first brought up by 2^128, whose fourth root is
  // 2^32, so that 2^-4j below stays finite.
  const bool tiny = x < 0x1p-1000;
  if (tiny) x *= 0x1p128;
  // x = m * 16^j with m in [1, 16): the root of 16^j is an exact 2^-j.
  const int exponent = static_cast<int>(std::bit_cast<std::uint64_t>(x) >> 52) - 1023;
  const int j = (exponent + 1024) / 4 - 256;  // floor(exponent / 4)
  const auto power = [](int e) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
  };
  const double m = rounded(x * power(-4 * j));

  // y within about 1.3 ulp of m^(-1/4), in (1/2, 1]; then y - y e / 4 with
  // e = m y^4 - 1 formed from exact products: the step leaves an error of
  // order e^2 (2^-100), so only its final rounding remains.
  const double y = 1.0 / std::sqrt(std::sqrt(m));
  const DoubleDouble y2 = twoProduct(y, y);
  const DoubleDouble y4 = twoProduct(y2.hi, y2.hi);
  const double y4_lo = y4.lo + rounded(2.0 * rounded(y2.hi * y2.lo));
  const DoubleDouble my4 = twoProduct(m, y4.hi);
  const double e = (my4.hi - 1.0) + (my4.lo + rounded(m * y4_lo));  // my4.hi - 1 is exact
  const double root = y - rounded(0.25 * rounded(y * e));
  return root * power(tiny ? 32 - j : -j);
}

}  // namespace zevra_kernel

#pragma once
// Error-free transformations: a sum or a product of two f64 as the rounded
// result and its exact rounding error, in plain IEEE arithmetic (no fused
// multiply-add, which not every target has). The elementary functions carry
// their reduced arguments and residuals in such pairs.

#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

// hi + lo, |lo| at most half an ulp of hi: a value with about 106 bits.
struct DoubleDouble {
  double hi;
  double lo;
};

// a + b exactly, for any a and b whose sum does not overflow (Knuth).
constexpr DoubleDouble twoSum(double a, double b) {
  const double s = a + b;
  const double b_part = s - a;
  return {s, (a - (s - b_part)) + (b - b_part)};
}

// a + b exactly when |a| >= |b| or a is 0 (Dekker): three operations.
constexpr DoubleDouble fastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a * b exactly, for |a|, |b| below 2^996 and a product above 2^-969 in
// magnitude (Dekker, with Veltkamp's split into two 26-bit halves).
constexpr DoubleDouble twoProduct(double a, double b) {
  constexpr double splitter = 134217729.0;  // 2^27 + 1
  const double ca = rounded(splitter * a), cb = rounded(splitter * b);
  const double a_hi = ca - (ca - a), a_lo = a - a_hi;
  const double b_hi = cb - (cb - b), b_lo = b - b_hi;
  const double p = rounded(a * b);
  return {p, ((rounded(a_hi * b_hi) - p) + rounded(a_hi * b_lo) + rounded(a_lo * b_hi)) +
                 rounded(a_lo * b_lo)};
}

}  // namespace zevra_kernel

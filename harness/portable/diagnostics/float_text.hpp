#pragma once
// The float text form of assertion messages: the shortest digit string that
// reads back as the same value of its own type (closest to the exact value
// among equals), in scientific form without "+" or exponent zeros: 1e0, 5e-1,
// 1.235e2, -0e0, inf, -inf, nan, -nan.

#include <cstddef>

namespace zevra_harness::detail {

inline constexpr std::size_t kFloatTextMax = 32;

// Writes the text into `out` (at least kFloatTextMax bytes); returns its length.
std::size_t floatText(double v, char* out);
std::size_t floatText(float v, char* out);

}  // namespace zevra_harness::detail

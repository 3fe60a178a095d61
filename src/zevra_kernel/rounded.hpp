#pragma once
// Products that stay rounded in whatever build includes them. GCC fuses a
// product and the sum that uses it into one fused multiply-add wherever the
// target has FMA (-march=native, -mfma): in C++ its default is
// -ffp-contract=fast. Inline arithmetic in these headers is compiled with the
// flags of the program that includes them, so every product there is
// written rounded(a * b), which keeps it a value of its own, under any
// flags, at no cost where nothing would have been fused.

namespace zevra_kernel {

// The value x, which the compiler may not merge into the arithmetic around it.
// Always inlined, and x taken by reference: x may be a vector of lanes in
// code built for a wider instruction set than this function would be
// (simd_lanes.hpp).
template <typename T>
[[gnu::always_inline]] constexpr T rounded(const T& x) {
#if defined(__GNUC__) && !defined(__clang__)
  return __builtin_assoc_barrier(x);
#else
  // Clang fuses only within one expression by default (-ffp-contract=on),
  // and a product passed through this call is already out of its reach.
  return x;
#endif
}

}  // namespace zevra_kernel

#pragma once
// Products that stay rounded in whatever build includes them. GCC fuses a
// product and the sum that uses it into one fused multiply-add wherever the
// target has FMA (-march=native, -mfma): in C++ its default is
// -ffp-contract=fast. Inline arithmetic in these headers is compiled with the
// flags of the program that includes them, so every product there is
// written rounded(a * b), which keeps it a value of its own, under any
// flags, at no cost where nothing would have been fused.

#include <type_traits>

namespace zevra_kernel {

// The value x, which the compiler may not merge into the arithmetic around it.
// Always inlined, and x taken by reference: x may be a vector of lanes in
// code built for a wider instruction set than this function would be
// (simd_lanes.hpp).
template <typename T>
[[gnu::always_inline]] constexpr T rounded(const T& x) {
#if defined(__GNUC__) && !defined(__clang__)
#if defined(__FP_FAST_FMA)
  // GCC 12's loop vectorizer turns the barrier below on a scalar into a plain
  // copy, and the vector product then fuses (PGL4::mul at -O2 -march=native).
  // An empty asm on the value's register holds under vectorization too; it is
  // needed only where the target can fuse (its register class, or memory
  // on other processors).
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::is_constant_evaluated()) {
      T held = x;
#if defined(__x86_64__)
      asm("" : "+x"(held));
#elif defined(__aarch64__)
      asm("" : "+w"(held));
#else
      asm("" : "+m"(held));
#endif
      return held;
    }
  }
#endif
  return __builtin_assoc_barrier(x);
#else
  // Clang fuses only within one expression by default (-ffp-contract=on),
  // and a product passed through this call is already out of its reach.
  return x;
#endif
}

}  // namespace zevra_kernel

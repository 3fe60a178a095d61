#pragma once
// W lanes of f64 as one vector (the vector extension of GCC and Clang), and
// the few lane operations the batch kernels need beyond the built-in
// arithmetic, with scalar twins so that one template serves a single f64 and
// a vector alike. Every lane runs the same rounded IEEE operations in the
// same order as the scalar code, so a vector result is the scalar result bit
// for bit. The code is generic: the instruction set comes from the function
// that inlines it (a `target` attribute), or, where the target has no wider
// vectors, the compiler splits the lanes into what it has. That is why these
// helpers are always inlined and take vectors by reference: a wide vector
// passed by value between a function built for its instruction set and one
// that is not changes the ABI, which Clang refuses even in a call it inlines.
// Results come back by value, so code built for a wider set (a `target`
// function) calls these only through generic templates, where Clang and GCC
// just warn (-Wpsabi); the translation units that instantiate these for wide
// vectors build with -Wno-psabi.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace zevra_kernel::simd {

// Two, four and eight lanes: the SSE2, AVX2 and AVX-512 register widths.
using F64x2 = double __attribute__((vector_size(16)));
using F64x4 = double __attribute__((vector_size(32)));
using F64x8 = double __attribute__((vector_size(64)));

// A vector of f64 lanes (a plain double is not one).
template <typename V>
concept Lanes = !std::is_arithmetic_v<V> && sizeof(V) % sizeof(double) == 0 &&
                std::is_same_v<std::remove_cvref_t<decltype(std::declval<V>()[0])>, double>;

template <Lanes V>
inline constexpr std::size_t lane_count = sizeof(V) / sizeof(double);

// The result of comparing two vectors: all ones in a lane where it holds.
template <Lanes V>
using MaskOf = decltype(V{} < V{});

// x in every lane (for a double, x itself). Not V{} + x, which turns -0 into
// +0.
template <typename T>
[[gnu::always_inline]] inline T broadcast(double x) {
  if constexpr (std::is_same_v<T, double>) {
    return x;
  } else {
    T v;
    for (std::size_t i = 0; i < lane_count<T>; ++i) v[i] = x;
    return v;
  }
}

// c ? a : b done on the bits. A plain ?: lets the compiler move each side's
// arithmetic into a branch, and with trapping floating point it will not
// turn that back into a select, which stops vectorisation.
constexpr double selectBits(bool c, double a, double b) {
  const std::uint64_t mask = 0 - static_cast<std::uint64_t>(c);
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                               (std::bit_cast<std::uint64_t>(b) & ~mask));
}

template <Lanes V>
[[gnu::always_inline]] inline V selectBits(const MaskOf<V>& c, const V& a, const V& b) {
  return __builtin_bit_cast(
      V, (__builtin_bit_cast(MaskOf<V>, a) & c) | (__builtin_bit_cast(MaskOf<V>, b) & ~c));
}

// x with only the bits of `keep` left.
constexpr double keepBits(double x, std::uint64_t keep) {
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & keep);
}

template <Lanes V>
[[gnu::always_inline]] inline V keepBits(const V& x, std::uint64_t keep) {
  return __builtin_bit_cast(V, __builtin_bit_cast(MaskOf<V>, x) & static_cast<std::int64_t>(keep));
}

inline double sqrtLanes(double x) { return std::sqrt(x); }

// One square root per lane; the compiler turns the loop into one vector
// square root (sqrtpd) where math errno is off, as in the batch kernels.
template <Lanes V>
[[gnu::always_inline]] inline V sqrtLanes(const V& x) {
  V r;
  for (std::size_t i = 0; i < lane_count<V>; ++i) r[i] = std::sqrt(x[i]);
  return r;
}

// |x|, the sign bit cleared, like std::fabs.
template <typename T>
[[gnu::always_inline]] inline T absLanes(const T& x) {
  return keepBits(x, 0x7FFFFFFFFFFFFFFFull);
}

// The vector at `from`, read as bytes: any alignment, any f64 array or record
// of f64 fields.
template <Lanes V>
[[gnu::always_inline]] inline V load(const void* from) {
  V v;
  std::memcpy(&v, from, sizeof v);
  return v;
}

template <Lanes V>
[[gnu::always_inline]] inline void store(void* to, const V& v) {
  std::memcpy(to, &v, sizeof v);
}

// The lanes of a and then b, numbered 0 to 2W - 1, picked by the constant
// indices I (W of them): one shuffle instruction where the target has it.
// GCC spells it __builtin_shuffle with a mask, Clang __builtin_shufflevector.
template <std::size_t... I, Lanes V>
[[gnu::always_inline]] inline V shuffle(const V& a, const V& b) {
  static_assert(sizeof...(I) == lane_count<V>);
#if defined(__clang__)
  return __builtin_shufflevector(a, b, I...);
#else
  return __builtin_shuffle(a, b, MaskOf<V>{I...});
#endif
}

// The lanes of a picked by the constant indices I, 0 to W - 1.
template <std::size_t... I, Lanes V>
[[gnu::always_inline]] inline V shuffle(const V& a) {
  static_assert(sizeof...(I) == lane_count<V>);
#if defined(__clang__)
  return __builtin_shufflevector(a, a, I...);
#else
  return __builtin_shuffle(a, MaskOf<V>{I...});
#endif
}

}  // namespace zevra_kernel::simd

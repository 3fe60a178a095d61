#pragma once
// Reduction of an argument of the circular functions: x = n * pi/2 + r with
// |r| <= pi/4 (a little more where x * 2/pi rounds across a half), r carried
// as a double-double so that the kernels on [-pi/4, pi/4] lose nothing of it.
// Valid over the whole finite f64 range, with the same bits on every target:
// plain f64 operations and integer arithmetic, nothing from the C library.

#include <array>
#include <bit>
#include <cstdint>

#include "zevra_kernel/error_free.hpp"
#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

// r = hi + lo, and the quadrant n modulo 4.
struct HalfPiReduced {
  double hi;
  double lo;
  unsigned quadrant;
};

namespace detail {

// The bits of 2/pi after the binary point, 32 to a word, most significant
// first: 1216 bits, enough for the largest f64 (which needs the bits up to
// 2^-1161, see reduceLarge). Three zero words in front stand for the bits
// at and before the binary point (2/pi < 1), which arguments near 2^20 ask
// for. Generated with 3000-bit arithmetic; the head reads as the classic
// 0xA2F9836E4E441529FC2757D1...
inline constexpr std::array<std::uint32_t, 41> two_over_pi_words{
    0x00000000, 0x00000000, 0x00000000, 0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0,
    0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0, 0x06492EEA,
    0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484, 0xE99C7026, 0xB45F7E41,
    0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F, 0xEF2F118B,
    0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB};

// 32 bits of 2/pi, from the bit of weight 2^-k on (k >= -95): the integer
// whose top bit is that bit.
constexpr std::uint32_t twoOverPiBitsFrom(int k) {
  const auto at = static_cast<unsigned>(k + 95);  // the table's bit index
  const std::uint64_t pair =
      (std::uint64_t{two_over_pi_words[at / 32]} << 32) | two_over_pi_words[at / 32 + 1];
  return static_cast<std::uint32_t>(pair >> (32 - at % 32));
}

constexpr double powerOfTwo(int e) {  // 2^e for a normal result
  return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
}

// x >= 2^20 (Payne and Hanek): x = m * 2^e with m a 53-bit integer, and
// x * 2/pi modulo 4 is m times the 192 bits of 2/pi from the bit of weight
// 2^(1-e) on, scaled by 2^-190 (the bits before them add multiples of 4,
// those after less than 2^-137). The product's top two bits of 192 are the
// quadrant, the 190 below the fraction; the closest an f64 comes to a
// multiple of pi/2 is 2^-60.9 (6381956970095103 * 2^797), which leaves the
// fraction more than 120 significant bits.
constexpr HalfPiReduced reduceLarge(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int e = static_cast<int>(bits >> 52) - 1075;
  const std::uint64_t m = (bits & 0x000FFFFFFFFFFFFFull) | 0x0010000000000000ull;
  const std::uint64_t m_lo = m & 0xFFFFFFFF, m_hi = m >> 32;

  // The six 32-bit limbs of the window of 2/pi, least significant first,
  // then m times them modulo 2^192.
  std::array<std::uint64_t, 6> window{};
  for (int i = 0; i < 6; ++i)
    window[static_cast<std::size_t>(i)] = twoOverPiBitsFrom(e - 1 + 32 * (5 - i));
  std::array<std::uint64_t, 6> limb{};
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::uint64_t t = m_lo * window[i] + carry;
    limb[i] = t & 0xFFFFFFFF;
    carry = t >> 32;
  }
  carry = 0;
  for (std::size_t i = 0; i + 1 < 6; ++i) {
    const std::uint64_t t = limb[i + 1] + m_hi * window[i] + carry;
    limb[i + 1] = t & 0xFFFFFFFF;
    carry = t >> 32;
  }
  std::uint64_t w2 = (limb[5] << 32) | limb[4];
  std::uint64_t w1 = (limb[3] << 32) | limb[2];
  std::uint64_t w0 = (limb[1] << 32) | limb[0];

  // The nearest quadrant, and the fraction (two bits up) signed about it.
  auto quadrant = static_cast<unsigned>(((w2 + (std::uint64_t{1} << 61)) >> 62) & 3);
  w2 = (w2 << 2) | (w1 >> 62);
  w1 = (w1 << 2) | (w0 >> 62);
  w0 <<= 2;
  const bool negative = (w2 >> 63) != 0;
  if (negative) {  // 2^192 minus the fraction
    w0 = ~w0 + 1;
    w1 = ~w1 + (w0 == 0 ? 1 : 0);
    w2 = ~w2 + (w0 == 0 && w1 == 0 ? 1 : 0);
  }

  // The fraction's leading 106 bits as a double-double, times pi/2. Being
  // above 2^-62, it has a bit set in its top word.
  if (w2 == 0) return {0.0, 0.0, quadrant};  // never for an f64
  const int lz = std::countl_zero(w2);
  if (lz > 0) {
    w2 = (w2 << lz) | (w1 >> (64 - lz));
    w1 = (w1 << lz) | (w0 >> (64 - lz));
  }
  const double f_hi = rounded(static_cast<double>(w2 >> 11) * powerOfTwo(-53 - lz));
  const double f_lo =
      rounded(static_cast<double>(((w2 & 0x7FF) << 42) | (w1 >> 22)) * powerOfTwo(-106 - lz));
  constexpr double pio2_hi = 1.57079632679489655800e+00;  // 0x3FF921FB54442D18
  constexpr double pio2_lo = 6.12323399573676603587e-17;  // 0x3C91A62633145C07
  const DoubleDouble p = twoProduct(f_hi, pio2_hi);
  const DoubleDouble r =
      fastTwoSum(p.hi, p.lo + (rounded(f_hi * pio2_lo) + rounded(f_lo * pio2_hi)));
  return negative ? HalfPiReduced{-r.hi, -r.lo, quadrant} : HalfPiReduced{r.hi, r.lo, quadrant};
}

// pi/4 < x < 2^20 (Cody and Waite): n = x * 2/pi rounded, then x - n * pi/2
// with pi/2 in four parts, the first three of 33 bits so that n times each is
// exact (n < 2^20), their differences summed without error. The pi/2 held is
// within 2^-152 of the true one, so r is within about 2^-131; no f64 in this
// range is closer to a multiple of pi/2 than 2^-60.5 (the one nearest 29 pi/2),
// which leaves r more than 70 correct bits.
constexpr HalfPiReduced reduceMedium(double x) {
  constexpr double two_over_pi = 6.36619772367581382433e-01;  // 0x3FE45F306DC9C883
  constexpr double pio2_1 = 1.57079632673412561417e+00;       // 0x3FF921FB54400000
  constexpr double pio2_2 = 6.07710050630396597660e-11;       // 0x3DD0B4611A600000
  constexpr double pio2_3 = 2.02226624871116645580e-21;       // 0x3BA3198A2E000000
  constexpr double pio2_4 = 8.47842766036889956997e-32;       // 0x397B839A252049C1
  static_assert(std::bit_cast<std::uint64_t>(two_over_pi) == 0x3FE45F306DC9C883);
  static_assert(std::bit_cast<std::uint64_t>(pio2_1) == 0x3FF921FB54400000);
  static_assert(std::bit_cast<std::uint64_t>(pio2_2) == 0x3DD0B4611A600000);
  static_assert(std::bit_cast<std::uint64_t>(pio2_3) == 0x3BA3198A2E000000);
  static_assert(std::bit_cast<std::uint64_t>(pio2_4) == 0x397B839A252049C1);

  // Adding 1.5 * 2^52 rounds to an integer (to even at a half), which the
  // low bits of the sum then hold.
  constexpr double round_shift = 0x1.8p52;
  const double shifted = rounded(x * two_over_pi) + round_shift;
  const double n = shifted - round_shift;
  const auto quadrant = static_cast<unsigned>(std::bit_cast<std::uint64_t>(shifted) & 3);
  // Exact: x and n * pio2_1 are within a factor 2 of each other, or n is 0.
  const double r1 = x - rounded(n * pio2_1);
  const DoubleDouble r2 = twoSum(r1, -rounded(n * pio2_2));
  const DoubleDouble r3 = twoSum(r2.hi, -rounded(n * pio2_3));
  const double tail = (r2.lo + r3.lo) - rounded(n * pio2_4);
  const DoubleDouble r = fastTwoSum(r3.hi, tail);
  return {r.hi, r.lo, quadrant};
}

}  // namespace detail

// x = quadrant * pi/2 + hi + lo (modulo 2 pi) for a finite x > pi/4. The
// functions reduce |x| and give the sign back themselves, so that they are
// odd or even to the bit.
constexpr HalfPiReduced reduceHalfPi(double x) {
  return x < 0x1p20 ? detail::reduceMedium(x) : detail::reduceLarge(x);
}

}  // namespace zevra_kernel

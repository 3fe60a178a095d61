#pragma once
// The Fubini-Study metric of projective 3-space, the conversion between world
// distances and weights, a bit-level inverse square root, and the four-lane
// f32 helpers.

#include <bit>
#include <cstdint>
#include <span>

#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/rounded.hpp"
#include "zevra_kernel/simd_path.hpp"

namespace zevra_kernel {

// Radius of the world in kilometres (the conversions below take metres).
inline constexpr double R_MORVAI_KM = 5838.4;

// Angle in radians, in [0, pi/2], between the lines through a and b; 0 when
// either vector is shorter than 1e-15. Antipodes are at distance 0.
double fsDistance(HomVec4 a, HomVec4 b);

// output[i] = fsDistance(positions[i], reference), bit for bit, for each i
// below the shorter length; the rest of output is untouched. A vector of
// points at a time, in the widest version this CPU runs (simd_path.hpp).
void fsDistanceBatch(std::span<const HomVec4> positions, HomVec4 reference,
                     std::span<double> output);

namespace detail {
// fsDistanceBatch in the version for `path`, which must run here
// (simdPathRuns): for tests and benchmarks.
void fsDistanceBatchOn(SimdPath path, std::span<const HomVec4> positions, HomVec4 reference,
                       std::span<double> output);
}  // namespace detail

// Weight W = cos(s / 2R) of a world distance s on a world of radius R.
double wFromDistance(double s_meters, double R_meters);

// World distance 2R * acos(W), with W clamped to [-1, 1] first (NaN gives 0).
double sFromW(double W, double R_meters);

// Approximate 1/sqrt(x): a bit-level first estimate refined by exactly three
// Newton steps, with no square root and no division; +0 for x <= 0.
// Subnormal x are not reduced into range, so their results are poor.
constexpr double cordicInvSqrt(double x) {
  if (x <= 0.0) return 0.0;  // also false for NaN, which goes through unharmed
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  // For every x > 0, bits >> 1 is below the constant: no wrap-around.
  double y = std::bit_cast<double>(0x5FE6EB50C7B537A9ull - (bits >> 1));
  const double half_x = 0.5 * x;
  y = y * (1.5 - rounded((half_x * y) * y));
  y = y * (1.5 - rounded((half_x * y) * y));
  y = y * (1.5 - rounded((half_x * y) * y));
  return y;
}

// One 128-bit SIMD vector of four f32 lanes (x, y, z, w in lanes 0..3).
using F32x4 = float __attribute__((vector_size(16)));

constexpr F32x4 f32x4(float x, float y, float z, float w) { return F32x4{x, y, z, w}; }

// Lane-wise product in one vector operation, then the four lanes summed in
// index order so that the result is reproducible. Not constexpr: Clang does
// not evaluate vector lanes at compile time.
inline float simdDot4(F32x4 a, F32x4 b) {
  const F32x4 p = rounded(a * b);
  return ((p[0] + p[1]) + p[2]) + p[3];
}

// v scaled to unit length over all four lanes (w included); (0, 0, 0, 1) when
// the squared length is below 1e-15.
F32x4 simdNormalize3(F32x4 v);

}  // namespace zevra_kernel

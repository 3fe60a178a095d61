// fsDistance over many points, a vector of points at a time, in one version
// per instruction set of x86-64 and the generic one elsewhere (simd_path.hpp). Every lane does the
// same IEEE operations in the same order as fsDistance, so each gives the bits of the scalar call;
// the early return there is a select here. Built with -fno-math-errno (sqrt is then the bare
// instruction; its value is the same) and -Wno-psabi (see simd_lanes.hpp), see CMakeLists.txt.
#include <algorithm>
#include <array>
#include <cstring>

#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/metric.hpp"
#include "zevra_kernel/simd_lanes.hpp"
#include "zevra_kernel/simd_path.hpp"

namespace zevra_kernel {

namespace {

using simd::lane_count;
using simd::Lanes;
using simd::load;
using simd::MaskOf;
using simd::selectBits;

static_assert(sizeof(HomVec4) == 4 * sizeof(double), "points are read as a dense f64 array");

// The coordinates of lane_count<V> consecutive points, a vector each, lane i
// holding point i.
template <Lanes V>
struct Columns {
  V x, y, z, w;
};

// The even and the odd lanes of a and then b, for eight lanes.
template <Lanes V>
[[gnu::always_inline]] inline V evenLanes(const V& a, const V& b) {
  return simd::shuffle<0, 2, 4, 6, 8, 10, 12, 14>(a, b);
}

template <Lanes V>
[[gnu::always_inline]] inline V oddLanes(const V& a, const V& b) {
  return simd::shuffle<1, 3, 5, 7, 9, 11, 13, 15>(a, b);
}

template <Lanes V>
[[gnu::always_inline]] inline Columns<V> loadColumns(const HomVec4* points) {
  using simd::shuffle;
  const auto* bytes = reinterpret_cast<const unsigned char*>(points);
  const V l0 = load<V>(bytes), l1 = load<V>(bytes + sizeof(V));
  const V l2 = load<V>(bytes + 2 * sizeof(V)), l3 = load<V>(bytes + 3 * sizeof(V));
  if constexpr (lane_count<V> == 2) {
    // (x0 y0) (z0 w0) (x1 y1) (z1 w1)
    return {shuffle<0, 2>(l0, l2), shuffle<1, 3>(l0, l2), shuffle<0, 2>(l1, l3),
            shuffle<1, 3>(l1, l3)};
  } else if constexpr (lane_count<V> == 4) {
    // A point each: pairs within the 128-bit halves, then the halves.
    const V xz01 = shuffle<0, 4, 2, 6>(l0, l1), yw01 = shuffle<1, 5, 3, 7>(l0, l1);
    const V xz23 = shuffle<0, 4, 2, 6>(l2, l3), yw23 = shuffle<1, 5, 3, 7>(l2, l3);
    return {shuffle<0, 1, 4, 5>(xz01, xz23), shuffle<0, 1, 4, 5>(yw01, yw23),
            shuffle<2, 3, 6, 7>(xz01, xz23), shuffle<2, 3, 6, 7>(yw01, yw23)};
  } else {
    static_assert(lane_count<V> == 8);
    // Two points each: even and odd elements, twice.
    const V xz01 = evenLanes(l0, l1), yw01 = oddLanes(l0, l1);
    const V xz23 = evenLanes(l2, l3), yw23 = oddLanes(l2, l3);
    return {evenLanes(xz01, xz23), evenLanes(yw01, yw23), oddLanes(xz01, xz23),
            oddLanes(yw01, yw23)};
  }
}

// The clamped cosine of fsDistance(p, reference) in each lane, or 1 where
// the distance is 0 by the norm floor: acosUnit(1) is that +0 exactly. n2 is
// the reference's norm and reference_short whether it is below 1e-15, in
// every lane.
template <Lanes V>
[[gnu::always_inline]] inline V cosines(const Columns<V>& p, HomVec4 r, double n2,
                                        const MaskOf<V>& reference_short) {
  const V n1 = simd::sqrtLanes(((p.x * p.x + p.y * p.y) + p.z * p.z) + p.w * p.w);
  const V dot = ((p.x * r.x + p.y * r.y) + p.z * r.z) + p.w * r.w;
  const V d = simd::absLanes(dot) / (n1 * n2);
  // d < 1 is false for NaN, which gives 1 as in fsDistance.
  return selectBits((d < 1.0) & ~((n1 < 1e-15) | reference_short), d, simd::broadcast<V>(1.0));
}

template <Lanes V>
[[gnu::always_inline]] inline void distanceLoop(std::span<const HomVec4> positions,
                                                HomVec4 reference, std::span<double> output) {
  constexpr std::size_t lanes = lane_count<V>;
  // Points per block: their cosines stay in the first-level cache between
  // the two passes.
  constexpr std::size_t block = 256;
  const std::size_t n = std::min(positions.size(), output.size());
  const std::size_t whole = n - n % lanes;
  const HomVec4* in = positions.data();
  double* out = output.data();
  const double n2 = reference.norm();
  const MaskOf<V> reference_short = simd::broadcast<V>(n2) < 1e-15;
  // Two passes over each block, the cosines into the output and then their
  // arc cosines in place: either pass's chain of dependent operations is half
  // the whole one, so the processor overlaps twice as many vectors.
  for (std::size_t begin = 0; begin < whole; begin += block) {
    const std::size_t end = std::min(whole, begin + block);
    for (std::size_t i = begin; i < end; i += lanes)
      simd::store(out + i, cosines(loadColumns<V>(in + i), reference, n2, reference_short));
    for (std::size_t i = begin; i < end; i += lanes)
      simd::store(out + i, acosUnit(load<V>(out + i)));
  }
  // The last few points through a full vector of copies; the zero padding
  // gives distances that are dropped.
  if (whole < n) {
    std::array<HomVec4, lanes> rest{};
    std::array<double, lanes> result;
    std::copy(in + whole, in + n, rest.begin());
    const V c = cosines(loadColumns<V>(rest.data()), reference, n2, reference_short);
    simd::store(result.data(), acosUnit(c));
    std::copy(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(n - whole), out + whole);
  }
}

#if defined(__x86_64__)
// "avx2" and "avx512f" bring no FMA contraction (the build has
// -ffp-contract=off): products and sums are rounded one by one as in the
// baseline version.
[[gnu::target("avx512f")]] void distancesAvx512(std::span<const HomVec4> positions,
                                                HomVec4 reference, std::span<double> output) {
  distanceLoop<simd::F64x8>(positions, reference, output);
}

[[gnu::target("avx2")]] void distancesAvx2(std::span<const HomVec4> positions, HomVec4 reference,
                                           std::span<double> output) {
  distanceLoop<simd::F64x4>(positions, reference, output);
}
#endif

void distancesBaseline(std::span<const HomVec4> positions, HomVec4 reference,
                       std::span<double> output) {
  distanceLoop<simd::F64x2>(positions, reference, output);
}

}  // namespace

namespace detail {

void fsDistanceBatchOn(SimdPath path, std::span<const HomVec4> positions, HomVec4 reference,
                       std::span<double> output) {
  switch (path) {
#if defined(__x86_64__)
    case SimdPath::avx512:
      return distancesAvx512(positions, reference, output);
    case SimdPath::avx2:
      return distancesAvx2(positions, reference, output);
#else
    case SimdPath::avx512:
    case SimdPath::avx2:
#endif
    case SimdPath::baseline:
      break;
  }
  distancesBaseline(positions, reference, output);
}

}  // namespace detail

void fsDistanceBatch(std::span<const HomVec4> positions, HomVec4 reference,
                     std::span<double> output) {
  detail::fsDistanceBatchOn(bestSimdPath(), positions, reference, output);
}

}  // namespace zevra_kernel

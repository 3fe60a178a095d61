// The CPU reference batches. The distance batch is the kernel's; the action
// batch is here: PGL4.apply over many points, a vector at a time, in one
// version per instruction set (zevra_kernel/simd_path.hpp). Each lane does
// apply's rounded products and sums in apply's order, so every path gives
// apply's bits. Built with -Wno-psabi (see zevra_kernel/simd_lanes.hpp).
#include "zevra_gpu/cpu_batches.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "zevra_kernel/metric.hpp"
#include "zevra_kernel/simd_lanes.hpp"

namespace zevra_gpu {

namespace {

using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;
using zevra_kernel::SimdPath;
using zevra_kernel::simd::F64x2;
using zevra_kernel::simd::F64x4;
using zevra_kernel::simd::F64x8;
using zevra_kernel::simd::lane_count;
using zevra_kernel::simd::Lanes;
using zevra_kernel::simd::load;
using zevra_kernel::simd::MaskOf;
using zevra_kernel::simd::store;

static_assert(sizeof(HomVec4) == 4 * sizeof(double), "points are read as a dense f64 array");

constexpr std::size_t cache_line = 64;

// Outputs of at least this many bytes go past the caches (streamingLoop),
// where the eight-lane version runs: far more than a core's share of the
// last-level cache.
constexpr std::size_t streaming_bytes = std::size_t{16} << 20;

// A step of the loop: two points in one vector of eight lanes, one point in
// one vector of four, or one point in two vectors of two.
template <Lanes V>
inline constexpr std::size_t points_per_step = lane_count<V> >= 4 ? lane_count<V> / 4 : 1;
template <Lanes V>
inline constexpr std::size_t vectors_per_point = lane_count<V> >= 4 ? 1 : 4 / lane_count<V>;

// The matrix's columns laid out like the images in a step: column k, part s
// holds the rows that the lanes of the step's s-th vector hold.
template <Lanes V>
struct Columns {
  std::array<std::array<V, vectors_per_point<V>>, 4> c;

  [[gnu::always_inline]] explicit Columns(const PGL4& m) {
    for (std::size_t k = 0; k < 4; ++k)
      for (std::size_t s = 0; s < vectors_per_point<V>; ++s)
        for (std::size_t i = 0; i < lane_count<V>; ++i)
          c[k][s][i] = m.data[4 * k + (s * lane_count<V> + i) % 4];
  }
};

// apply's sums: row by row, (((0 + m0 x) + m1 y) + m2 z) + m3 w. The leading
// 0 + is apply's too: it turns a -0 product into +0.
template <Lanes V>
[[gnu::always_inline]] inline V image(const Columns<V>& m, std::size_t s, V x, V y, V z, V w) {
  return (((0.0 + m.c[0][s] * x) + m.c[1][s] * y) + m.c[2][s] * z) + m.c[3][s] * w;
}

// The images of the two points at `from` in eight lanes: each coordinate of
// both points repeated over its point's four lanes.
[[gnu::always_inline]] inline F64x8 pairImages(const Columns<F64x8>& m, const HomVec4* from) {
  using M = MaskOf<F64x8>;
  const F64x8 p = load<F64x8>(from);
  return image(m, 0, __builtin_shuffle(p, M{0, 0, 0, 0, 4, 4, 4, 4}),
               __builtin_shuffle(p, M{1, 1, 1, 1, 5, 5, 5, 5}),
               __builtin_shuffle(p, M{2, 2, 2, 2, 6, 6, 6, 6}),
               __builtin_shuffle(p, M{3, 3, 3, 3, 7, 7, 7, 7}));
}

// The images of the points of one step, from `from` to `to`.
template <Lanes V>
[[gnu::always_inline]] inline void step(const Columns<V>& m, const HomVec4* from, HomVec4* to) {
  if constexpr (lane_count<V> == 8) {
    store(to, pairImages(m, from));
  } else {
    using zevra_kernel::simd::broadcast;
    const V x = broadcast<V>(from->x), y = broadcast<V>(from->y);
    const V z = broadcast<V>(from->z), w = broadcast<V>(from->w);
    auto* bytes = reinterpret_cast<unsigned char*>(to);
    for (std::size_t s = 0; s < vectors_per_point<V>; ++s)
      store(bytes + s * sizeof(V), image(m, s, x, y, z, w));
  }
}

// The images of the points from `from` on that do not fill a step, through a
// step of copies.
template <Lanes V>
[[gnu::always_inline]] inline void lastStep(const Columns<V>& m, const HomVec4* from,
                                            std::size_t count, HomVec4* to) {
  std::array<HomVec4, points_per_step<V>> rest{}, result;
  std::copy(from, from + count, rest.begin());
  step(m, rest.data(), result.data());
  std::copy(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(count), to);
}

template <Lanes V>
[[gnu::always_inline]] inline void actionLoop(const Columns<V>& m, const HomVec4* in, std::size_t n,
                                              HomVec4* out) {
  constexpr std::size_t per_step = points_per_step<V>;
  const std::size_t whole = n - n % per_step;
  for (std::size_t i = 0; i < whole; i += per_step) step(m, in + i, out + i);
  if (whole < n) lastStep(m, in + whole, n - whole, out + whole);
}

// For outputs far larger than the caches: every whole 64-byte line of the
// output goes out with one non-temporal store, which writes the line to
// memory without reading it first. The output starts `lag` f64 past a line,
// so a line holds the last `lag` values of one pair's images and the first
// 8 - lag of the next pair's: one two-vector permute per line.
[[gnu::always_inline]] inline void streamingLoop(const Columns<F64x8>& m, const HomVec4* in,
                                                 std::size_t n, HomVec4* out) {
  constexpr std::size_t lanes = 8;
  const std::size_t pairs = n / 2;
  auto* const first = reinterpret_cast<unsigned char*>(out);
  const std::size_t lag = reinterpret_cast<std::uintptr_t>(first) % cache_line / sizeof(double);
  unsigned char* const line = first - lag * sizeof(double);
  MaskOf<F64x8> shifted;  // lanes lanes - lag to 2 * lanes - lag - 1 of the pair
  for (std::size_t i = 0; i < lanes; ++i) shifted[i] = static_cast<std::int64_t>(lanes - lag + i);
  std::array<double, lanes> values;  // a vector's values, for the partial lines
  F64x8 last = pairImages(m, in);
  store(values.data(), last);
  std::memcpy(first, values.data(), cache_line - lag * sizeof(double));  // all or part of a line
  for (std::size_t j = 1; j < pairs; ++j) {
    const F64x8 next = pairImages(m, in + 2 * j);
    const F64x8 whole_line = __builtin_shuffle(last, next, shifted);
    __asm__("vmovntpd %1, %0"
            : "=m"(*reinterpret_cast<F64x8*>(line + j * cache_line))
            : "v"(whole_line));
    last = next;
  }
  store(values.data(), last);
  std::memcpy(line + pairs * cache_line, values.data() + (lanes - lag), lag * sizeof(double));
  if (n % 2 != 0) lastStep(m, in + n - 1, 1, out + n - 1);
  // The non-temporal stores in order before the caller's later stores.
  __asm__ volatile("sfence" ::: "memory");
}

// "avx2" and "avx512f" bring no FMA contraction (the build has
// -ffp-contract=off): products and sums are rounded one by one as in apply.
[[gnu::target("avx512f")]] void actionAvx512(const PGL4& m, const HomVec4* in, std::size_t n,
                                             HomVec4* out, bool streaming) {
  if (streaming && n >= 2) return streamingLoop(Columns<F64x8>(m), in, n, out);
  actionLoop(Columns<F64x8>(m), in, n, out);
}

[[gnu::target("avx2")]] void actionAvx2(const PGL4& m, const HomVec4* in, std::size_t n,
                                        HomVec4* out) {
  actionLoop(Columns<F64x4>(m), in, n, out);
}

void actionBaseline(const PGL4& m, const HomVec4* in, std::size_t n, HomVec4* out) {
  actionLoop(Columns<F64x2>(m), in, n, out);
}

}  // namespace

void cpuFSDistanceBatch(std::span<const HomVec4> positions, HomVec4 reference,
                        std::span<double> output) {
  zevra_kernel::fsDistanceBatch(positions, reference, output);
}

namespace detail {

void cpuPGLActionBatchOn(SimdPath path, bool streaming, const PGL4& m,
                         std::span<const HomVec4> input, std::span<HomVec4> output) {
  const std::size_t n = std::min(input.size(), output.size());
  switch (path) {
    case SimdPath::avx512:
      return actionAvx512(m, input.data(), n, output.data(), streaming);
    case SimdPath::avx2:
      return actionAvx2(m, input.data(), n, output.data());
    case SimdPath::baseline:
      break;
  }
  actionBaseline(m, input.data(), n, output.data());
}

}  // namespace detail

void cpuPGLActionBatch(PGL4 m, std::span<const HomVec4> input, std::span<HomVec4> output) {
  const std::size_t n = std::min(input.size(), output.size());
  detail::cpuPGLActionBatchOn(zevra_kernel::bestSimdPath(), n * sizeof(HomVec4) >= streaming_bytes,
                              m, input, output);
}

}  // namespace zevra_gpu

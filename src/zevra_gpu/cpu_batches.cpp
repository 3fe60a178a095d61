// The CPU reference batches. The distance batch is the kernel's; the action
// batch is here: PGL4.apply over many points, a vector at a time, in one
// version per instruction set of x86-64 and the generic one elsewhere
// (zevra_kernel/simd_path.hpp). Each lane does apply's rounded products and
// sums in apply's order, so every path gives apply's bits. Built with
// -Wno-psabi (see zevra_kernel/simd_lanes.hpp).
#include "zevra_gpu/cpu_batches.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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
using zevra_kernel::simd::lane_count;
using zevra_kernel::simd::Lanes;
using zevra_kernel::simd::load;
using zevra_kernel::simd::MaskOf;
using zevra_kernel::simd::store;

static_assert(sizeof(HomVec4) == 4 * sizeof(double), "points are read as a dense f64 array");

// A step of the loop: two points in one vector of eight lanes, one point in
// one vector of four, or one point in two vectors of two.
template <Lanes V>
inline constexpr std::size_t points_per_step = lane_count<V> >= 4 ? lane_count<V> / 4 : 1;
template <Lanes V>
inline constexpr std::size_t vectors_per_point = lane_count<V> >= 4 ? 1 : 4 / lane_count<V>;

// The matrix's columns laid out like the images in a step: part s, column k
// holds the rows that the lanes of the step's s-th vector hold.
template <Lanes V>
struct Columns {
  std::array<std::array<V, 4>, vectors_per_point<V>> part;

  [[gnu::always_inline]] explicit Columns(const PGL4& m) {
    for (std::size_t s = 0; s < vectors_per_point<V>; ++s)
      for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t i = 0; i < lane_count<V>; ++i)
          part[s][k][i] = m.data[4 * k + (s * lane_count<V> + i) % 4];
  }
};

// apply's sums, a row in each lane: (((0 + m0 x) + m1 y) + m2 z) + m3 w, with
// column[k] holding each lane's mk. The leading 0 + is apply's too: it turns
// a -0 product into +0. The sums come back in `sum`, not as the result: the
// streaming loop below is built for AVX-512 and this is not, and Clang
// refuses a 512-bit vector returned across that boundary (simd_lanes.hpp).
template <Lanes V>
[[gnu::always_inline]] inline void image(const std::array<V, 4>& column, const V& x, const V& y,
                                         const V& z, const V& w, V& sum) {
  sum = (((0.0 + column[0] * x) + column[1] * y) + column[2] * z) + column[3] * w;
}

// The images of the points of one step, from `from` to `to`.
template <Lanes V>
[[gnu::always_inline]] inline void step(const Columns<V>& m, const HomVec4* from, HomVec4* to) {
  using zevra_kernel::simd::broadcast;
  if constexpr (lane_count<V> == 8) {
    // Each coordinate of both points, repeated over its point's four lanes.
    using zevra_kernel::simd::shuffle;
    const V p = load<V>(from);
    V sum;
    image(m.part[0], shuffle<0, 0, 0, 0, 4, 4, 4, 4>(p), shuffle<1, 1, 1, 1, 5, 5, 5, 5>(p),
          shuffle<2, 2, 2, 2, 6, 6, 6, 6>(p), shuffle<3, 3, 3, 3, 7, 7, 7, 7>(p), sum);
    store(to, sum);
  } else {
    const V x = broadcast<V>(from->x), y = broadcast<V>(from->y);
    const V z = broadcast<V>(from->z), w = broadcast<V>(from->w);
    auto* bytes = reinterpret_cast<unsigned char*>(to);
    for (std::size_t s = 0; s < vectors_per_point<V>; ++s) {
      V sum;
      image(m.part[s], x, y, z, w, sum);
      store(bytes + s * sizeof(V), sum);
    }
  }
}

template <Lanes V>
[[gnu::always_inline]] inline void actionLoop(const PGL4& matrix, std::span<const HomVec4> input,
                                              std::span<HomVec4> output) {
  constexpr std::size_t per_step = points_per_step<V>;
  const std::size_t n = std::min(input.size(), output.size());
  const std::size_t whole = n - n % per_step;
  const Columns<V> m(matrix);
  const HomVec4* in = input.data();
  HomVec4* out = output.data();
  for (std::size_t i = 0; i < whole; i += per_step) step(m, in + i, out + i);
  // A last point short of a step through a step of copies.
  if (whole < n) {
    std::array<HomVec4, per_step> rest{}, result;
    std::copy(in + whole, in + n, rest.begin());
    step(m, rest.data(), result.data());
    std::copy(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(n - whole), out + whole);
  }
}

#if defined(__x86_64__)
// The lanes of a and then b, numbered 0 to 15, picked by the indices in
// `from`: one two-source permute. GCC's vector shuffle takes indices known
// only at run time; Clang's takes constants alone, so it gets the intrinsic.
[[gnu::target("avx512f"), gnu::always_inline]] inline zevra_kernel::simd::F64x8 permute(
    const zevra_kernel::simd::F64x8& a, const zevra_kernel::simd::F64x8& b,
    const MaskOf<zevra_kernel::simd::F64x8>& from) {
#if defined(__clang__)
  return _mm512_permutex2var_pd(a, __builtin_bit_cast(__m512i, from), b);
#else
  return __builtin_shuffle(a, b, from);
#endif
}

// Out of cache, the AVX-512 version writes whole 64-byte lines of images with
// non-temporal stores, which do not read a line before writing it; where it
// was measured, that took 0.7 to 0.95 of the time of ordinary stores from 1
// to 128 MiB of images, and up to 1.25 times it beyond (bench/notes.md).
// Each line is computed where it lies: with `a` f64 before the first whole
// line of the output, lane l of line k holds row (a + l) % 4 of its point.
// When the input lies the same way within its lines, every coordinate a line
// needs comes from two neighbouring input lines, (k - 1, k) for the first
// M = a % 4 coordinates and (k, k + 1) for the others, by one two-source
// permute; loads and stores are then whole aligned lines. Lines 1 to
// `lines` - 2 are done here (each needs both neighbours).
template <std::size_t M>
[[gnu::target("avx512f")]] void streamLines(const PGL4& matrix, const double* in, double* out,
                                            std::size_t a, std::size_t lines) {
  using V = zevra_kernel::simd::F64x8;
  std::array<V, 4> column;
  std::array<MaskOf<V>, 4> from;  // lanes of the two lines, 0 to 15
  for (std::size_t c = 0; c < 4; ++c) {
    for (std::size_t l = 0; l < 8; ++l) {
      column[c][l] = matrix.data[4 * c + (a + l) % 4];
      const std::size_t at = 4 * ((a + l) / 4) + c + 8 - a;  // 8 + its place from line k
      from[c][l] = static_cast<std::int64_t>(c < M ? at : at - 8);
    }
  }
  // Lines are read by memcpy, as load<V> does, which returns a 512-bit vector
  // from code not built for it (see image).
  V before, line, after;
  std::memcpy(&before, in + a, sizeof before);
  std::memcpy(&line, in + a + 8, sizeof line);
  for (std::size_t k = 1; k + 1 < lines; ++k) {
    std::memcpy(&after, in + a + 8 * (k + 1), sizeof after);
    std::array<V, 4> coordinate;
    for (std::size_t c = 0; c < 4; ++c)
      coordinate[c] = c < M ? permute(before, line, from[c]) : permute(line, after, from[c]);
    V sum;
    image(column, coordinate[0], coordinate[1], coordinate[2], coordinate[3], sum);
    _mm512_stream_pd(out + a + 8 * k, sum);
    before = line;
    line = after;
  }
  _mm_sfence();  // the streamed lines before any later store
}

// Streams the images when there are enough of them and the spans allow it
// (see above; overlapping spans never stream); false when it does not. The
// points around the streamed lines go through the ordinary loop, which may
// write a streamed line's edge again, with the same bits.
[[gnu::target("avx512f")]] bool actionStreamed(const PGL4& m, std::span<const HomVec4> input,
                                               std::span<HomVec4> output) {
  const std::size_t n = std::min(input.size(), output.size());
  const std::size_t bytes = n * sizeof(HomVec4);
  const auto in = reinterpret_cast<std::uintptr_t>(input.data());
  const auto out = reinterpret_cast<std::uintptr_t>(output.data());
  if (bytes < detail::kStreamedFromBytes || bytes > detail::kStreamedUpToBytes ||
      (out - in) % 64 != 0 || (in < out + bytes && out < in + bytes))
    return false;
  constexpr std::array by_offset{&streamLines<0>, &streamLines<1>, &streamLines<2>,
                                 &streamLines<3>};
  const std::size_t a = (64 - out % 64) % 64 / sizeof(double);
  const std::size_t lines = (4 * n - a) / 8;
  by_offset[a % 4](m, reinterpret_cast<const double*>(input.data()),
                   reinterpret_cast<double*>(output.data()), a, lines);
  const std::size_t head = (a + 7) / 4 + 1, tail = (a + 8 * (lines - 1)) / 4;
  actionLoop<zevra_kernel::simd::F64x8>(m, input.first(head), output.first(head));
  actionLoop<zevra_kernel::simd::F64x8>(m, input.subspan(tail, n - tail),
                                        output.subspan(tail, n - tail));
  return true;
}

// "avx2" and "avx512f" bring no FMA contraction (the build has
// -ffp-contract=off): products and sums are rounded one by one as in apply.
[[gnu::target("avx512f")]] void actionAvx512(const PGL4& m, std::span<const HomVec4> input,
                                             std::span<HomVec4> output) {
  if (!actionStreamed(m, input, output)) actionLoop<zevra_kernel::simd::F64x8>(m, input, output);
}

[[gnu::target("avx2")]] void actionAvx2(const PGL4& m, std::span<const HomVec4> input,
                                        std::span<HomVec4> output) {
  actionLoop<zevra_kernel::simd::F64x4>(m, input, output);
}
#endif

void actionBaseline(const PGL4& m, std::span<const HomVec4> input, std::span<HomVec4> output) {
  actionLoop<zevra_kernel::simd::F64x2>(m, input, output);
}

}  // namespace

void cpuFSDistanceBatch(std::span<const HomVec4> positions, HomVec4 reference,
                        std::span<double> output) {
  zevra_kernel::fsDistanceBatch(positions, reference, output);
}

namespace detail {

void cpuPGLActionBatchOn(SimdPath path, const PGL4& m, std::span<const HomVec4> input,
                         std::span<HomVec4> output) {
  switch (path) {
#if defined(__x86_64__)
    case SimdPath::avx512:
      return actionAvx512(m, input, output);
    case SimdPath::avx2:
      return actionAvx2(m, input, output);
#else
    case SimdPath::avx512:
    case SimdPath::avx2:
#endif
    case SimdPath::baseline:
      break;
  }
  actionBaseline(m, input, output);
}

}  // namespace detail

void cpuPGLActionBatch(PGL4 m, std::span<const HomVec4> input, std::span<HomVec4> output) {
  detail::cpuPGLActionBatchOn(zevra_kernel::bestSimdPath(), m, input, output);
}

}  // namespace zevra_gpu

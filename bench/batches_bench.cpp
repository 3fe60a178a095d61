// The CPU reference batches at 10^3 to 10^7 points, the dispatched version
// and each instruction-set version this CPU runs.
// pgl_action: cpuPGLActionBatch beside a plain loop, Eigen's Matrix4d times
// a 4 x N map of the same points, three copies of the same bytes (memcpy, the
// baseline; a plain copy loop; a non-temporal copy), out of cache the
// non-temporal copy doing the batch's arithmetic too, and in cache the
// arithmetic floor: the multiplies and adds of M p alone, in registers.
// fs_distance: cpuFSDistanceBatch beside a plain loop over std::acos (the
// baseline).
// Each batch's results are checked bit for bit against the kernel's
// one-point operation after timing; a mismatch reports an error.
// Built with -Wno-psabi (see zevra_kernel/simd_lanes.hpp).
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <Eigen/Core>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_kernel/metric.hpp"
#include "zevra_kernel/simd_lanes.hpp"
#include "zevra_kernel/simd_path.hpp"

namespace {

using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;
using zevra_kernel::SimdPath;

static_assert(sizeof(HomVec4) == 4 * sizeof(double), "a batch is a dense 4 x N array of f64");

// Inputs and outputs of each size, made once per process: at 10^7 points
// a fresh 320 MB output would spend seconds in first-touch page faults.
struct Buffers {
  std::vector<HomVec4> points;
  std::vector<HomVec4> images;
  std::vector<double> distances;
};

Buffers& buffers(std::size_t n) {
  static std::map<std::size_t, Buffers> made;
  Buffers& b = made[n];
  if (b.points.size() != n) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> coord(-1.0, 1.0);
    b.points.resize(n);
    for (HomVec4& p : b.points) p = HomVec4::init(coord(rng), coord(rng), coord(rng), coord(rng));
    b.images.assign(n, HomVec4{});
    b.distances.assign(n, 0.0);
  }
  return b;
}

// A general projective matrix: no zeros for a compiler to exploit.
constexpr PGL4 transform = PGL4::init(0.9, 0.1, -0.2, 0.01, -0.1, 1.1, 0.3, 0.02, 0.2, -0.3, 0.8,
                                      0.03, 1.5, -2.0, 0.5, 1.0);

const HomVec4 reference = HomVec4::init(0.3, -0.2, 0.5, 0.8);

void setBytes(benchmark::State& state, std::size_t n) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n * 2 * sizeof(HomVec4)));
}

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

template <typename Batch>
void pglBatch(benchmark::State& state, Batch batch) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  for (auto _ : state) {
    batch(b.points, b.images);
    benchmark::DoNotOptimize(b.images.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
  for (std::size_t i = 0; i < n; ++i) {
    const HomVec4 want = transform.apply(b.points[i]);
    const HomVec4 got = b.images[i];
    if (!sameBits(got.x, want.x) || !sameBits(got.y, want.y) || !sameBits(got.z, want.z) ||
        !sameBits(got.w, want.w))
      return state.SkipWithError("the batch differs from PGL4.apply");
  }
}

// What one would write without the engine: four row sums per point.
void pglPlainLoop(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  const double* m = transform.data.data();
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const HomVec4 p = b.points[i];
      b.images[i] = HomVec4::init(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * p.w,
                                  m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * p.w,
                                  m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * p.w,
                                  m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15] * p.w);
    }
    benchmark::DoNotOptimize(b.images.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

void pglEigen(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  const auto cols = static_cast<Eigen::Index>(n);
  const Eigen::Map<const Eigen::Matrix4d> m(transform.data.data());  // column-major, as PGL4
  const Eigen::Map<const Eigen::Matrix<double, 4, Eigen::Dynamic>> src(&b.points.data()->x, 4,
                                                                       cols);
  Eigen::Map<Eigen::Matrix<double, 4, Eigen::Dynamic>> dst(&b.images.data()->x, 4, cols);
  for (auto _ : state) {
    dst.noalias() = m * src;
    benchmark::DoNotOptimize(b.images.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

// The copies of the same bytes: the memory-bandwidth floor out of cache.
template <typename Copy>
void pglCopy(benchmark::State& state, Copy copy) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  for (auto _ : state) {
    copy(b.points.data(), b.images.data(), n * sizeof(HomVec4));
    benchmark::DoNotOptimize(b.images.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

// Kept a loop: GCC would otherwise call memcpy for it.
[[gnu::optimize("no-tree-loop-distribute-patterns")]] void copyLoop(const void* from, void* to,
                                                                    std::size_t bytes) {
  const auto* in = static_cast<const HomVec4*>(from);
  auto* out = static_cast<HomVec4*>(to);
  for (std::size_t i = 0; i < bytes / sizeof(HomVec4); ++i) out[i] = in[i];
}

// Whole 64-byte lines of the destination with non-temporal stores of the
// widest vectors this CPU has, the bytes before and after them with memcpy.
// With the arithmetic (eight lanes only), each line's two points also go
// through the batch's multiplies and adds, whose results are dropped: the
// least a batch that streams its output could cost.
template <zevra_kernel::simd::Lanes V, bool with_arithmetic = false>
[[gnu::always_inline]] inline void streamCopy(const void* from, void* to, std::size_t bytes) {
  using zevra_kernel::simd::load;
  const auto* in = static_cast<const unsigned char*>(from);
  auto* out = static_cast<unsigned char*>(to);
  const std::size_t head =
      std::min(bytes, (64 - reinterpret_cast<std::uintptr_t>(out) % 64) % std::size_t{64});
  const std::size_t end = head + (bytes - head) / 64 * 64;
  std::memcpy(out, in, head);
  std::memcpy(out + end, in + end, bytes - end);
  V c[4];
  for (std::size_t k = 0; k < 4; ++k)
    for (std::size_t i = 0; i < zevra_kernel::simd::lane_count<V>; ++i)
      c[k][i] = transform.data[4 * k + i % 4];
  for (std::size_t i = head; i < end; i += 64) {
    for (std::size_t k = 0; k < 64; k += sizeof(V)) {
      const V v = load<V>(in + i + k);
      if constexpr (with_arithmetic) {
        using M = zevra_kernel::simd::MaskOf<V>;
        const V r = (((0.0 + c[0] * __builtin_shuffle(v, M{0, 0, 0, 0, 4, 4, 4, 4})) +
                      c[1] * __builtin_shuffle(v, M{1, 1, 1, 1, 5, 5, 5, 5})) +
                     c[2] * __builtin_shuffle(v, M{2, 2, 2, 2, 6, 6, 6, 6})) +
                    c[3] * __builtin_shuffle(v, M{3, 3, 3, 3, 7, 7, 7, 7});
        __asm__ volatile("" : : "v"(r));
      }
      if constexpr (sizeof(V) == 16)
        __asm__("movntpd %1, %0" : "=m"(*reinterpret_cast<V*>(out + i + k)) : "x"(v));
      else
        __asm__("vmovntpd %1, %0" : "=m"(*reinterpret_cast<V*>(out + i + k)) : "v"(v));
    }
  }
  _mm_sfence();
}

[[gnu::target("avx512f")]] void streamCopyAvx512(const void* from, void* to, std::size_t bytes) {
  streamCopy<zevra_kernel::simd::F64x8>(from, to, bytes);
}
[[gnu::target("avx512f")]] void streamCopyWithArithmetic(const void* from, void* to,
                                                         std::size_t bytes) {
  streamCopy<zevra_kernel::simd::F64x8, true>(from, to, bytes);
}
[[gnu::target("avx")]] void streamCopyAvx(const void* from, void* to, std::size_t bytes) {
  streamCopy<zevra_kernel::simd::F64x4>(from, to, bytes);
}
void streamCopySse2(const void* from, void* to, std::size_t bytes) {
  streamCopy<zevra_kernel::simd::F64x2>(from, to, bytes);
}

// 16 multiplies and 12 adds per point at the vector width in use, laid out as
// in the batch (the matrix's columns times each coordinate repeated over a
// point's lanes), in registers: no loads, stores, shuffles or leading 0 +.
template <zevra_kernel::simd::Lanes V>
[[gnu::always_inline]] inline void arithmeticFloor(std::size_t points) {
  using zevra_kernel::simd::broadcast;
  constexpr std::size_t lanes = zevra_kernel::simd::lane_count<V>;
  constexpr std::size_t per_step = lanes >= 4 ? lanes / 4 : 1;
  constexpr std::size_t parts = lanes >= 4 ? 1 : 4 / lanes;
  V c0 = broadcast<V>(0.9), c1 = broadcast<V>(-0.1), c2 = broadcast<V>(0.2), c3 = broadcast<V>(1.5);
  V x = broadcast<V>(1.0), y = x, z = x, w = x;
  for (std::size_t i = 0; i < points; i += per_step) {
    // New coordinates for every step, at no cost.
    __asm__ volatile(""
                     : "+v"(x), "+v"(y), "+v"(z), "+v"(w), "+v"(c0), "+v"(c1), "+v"(c2), "+v"(c3));
    for (std::size_t s = 0; s < parts; ++s) {
      const V r = ((c0 * x + c1 * y) + c2 * z) + c3 * w;
      __asm__ volatile("" : : "v"(r));
    }
  }
}

[[gnu::target("avx512f")]] void floorAvx512(std::size_t n) {
  arithmeticFloor<zevra_kernel::simd::F64x8>(n);
}
[[gnu::target("avx2")]] void floorAvx2(std::size_t n) {
  arithmeticFloor<zevra_kernel::simd::F64x4>(n);
}
void floorBaseline(std::size_t n) { arithmeticFloor<zevra_kernel::simd::F64x2>(n); }

void pglFloor(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const SimdPath path = zevra_kernel::bestSimdPath();
  for (auto _ : state) {
    if (path == SimdPath::avx512)
      floorAvx512(n);
    else if (path == SimdPath::avx2)
      floorAvx2(n);
    else
      floorBaseline(n);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

template <typename Batch>
void fsBatch(benchmark::State& state, Batch batch) {
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  for (auto _ : state) {
    batch(b.points, reference, b.distances);
    benchmark::DoNotOptimize(b.distances.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  for (std::size_t i = 0; i < n; ++i)
    if (!sameBits(b.distances[i], zevra_kernel::fsDistance(b.points[i], reference)))
      return state.SkipWithError("the batch differs from fsDistance");
}

// The same formula written out over std::acos.
void fsAcosLoop(benchmark::State& state) {
  state.SetLabel("baseline");
  const auto n = static_cast<std::size_t>(state.range(0));
  Buffers& b = buffers(n);
  const HomVec4 q = reference;
  const double nq = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const HomVec4 p = b.points[i];
      const double np = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z + p.w * p.w);
      if (np < 1e-15 || nq < 1e-15) {
        b.distances[i] = 0.0;
        continue;
      }
      const double d = std::fabs(p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w) / (np * nq);
      b.distances[i] = std::acos(d < 1.0 ? d : 1.0);
    }
    benchmark::DoNotOptimize(b.distances.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

const char* pathName(SimdPath path) {
  switch (path) {
    case SimdPath::avx512:
      return "AVX-512";
    case SimdPath::avx2:
      return "AVX2";
    case SimdPath::baseline:
      break;
  }
  return "SSE2";
}

void allSizes(benchmark::internal::Benchmark* b) {
  for (const std::int64_t n : {1000, 100000, 1000000, 10000000}) b->Arg(n);
}

// Up to 10^6 points, for the peers that only in-cache figures concern.
void cachedSizes(benchmark::internal::Benchmark* b) {
  for (const std::int64_t n : {1000, 100000, 1000000}) b->Arg(n);
}

void registerAll() {
  using benchmark::RegisterBenchmark;
  using benchmark::State;
  using Points = std::span<const HomVec4>;
  RegisterBenchmark("pgl_action/cpuPGLActionBatch", [](State& state) {
    pglBatch(state, [](Points in, std::span<HomVec4> out) {
      zevra_gpu::cpuPGLActionBatch(transform, in, out);
    });
  })->Apply(allSizes);
  // Each instruction-set version this CPU runs.
  for (const SimdPath path : zevra_kernel::all_simd_paths) {
    if (!zevra_kernel::simdPathRuns(path)) continue;
    const std::string name = std::string("pgl_action/cpuPGLActionBatch, ") + pathName(path);
    RegisterBenchmark(name.c_str(), [path](State& state) {
      pglBatch(state, [path](Points in, std::span<HomVec4> out) {
        zevra_gpu::detail::cpuPGLActionBatchOn(path, transform, in, out);
      });
    })->Apply(allSizes);
  }
  RegisterBenchmark("pgl_action/plain loop", pglPlainLoop)->Apply(cachedSizes);
  RegisterBenchmark("pgl_action/Eigen Matrix4d * 4xN map", pglEigen)->Apply(cachedSizes);
  RegisterBenchmark("pgl_action/memcpy of the same bytes", [](State& state) {
    state.SetLabel("baseline");
    pglCopy(state,
            [](const void* from, void* to, std::size_t bytes) { std::memcpy(to, from, bytes); });
  })->Apply(allSizes);
  RegisterBenchmark("pgl_action/plain copy loop", [](State& state) {
    pglCopy(state, copyLoop);
  })->Apply(allSizes);
  RegisterBenchmark("pgl_action/non-temporal copy", [](State& state) {
    const SimdPath path = zevra_kernel::bestSimdPath();
    pglCopy(state, path == SimdPath::avx512 ? streamCopyAvx512
                   : path == SimdPath::avx2 ? streamCopyAvx
                                            : streamCopySse2);
  })->Apply(allSizes);
  if (zevra_kernel::bestSimdPath() == SimdPath::avx512) {
    RegisterBenchmark("pgl_action/non-temporal copy with the arithmetic",
                      [](State& state) { pglCopy(state, streamCopyWithArithmetic); })
        ->Arg(1000000)
        ->Arg(10000000);
  }
  RegisterBenchmark("pgl_action/arithmetic floor", pglFloor)->Arg(1000);

  RegisterBenchmark("fs_distance/cpuFSDistanceBatch", [](State& state) {
    fsBatch(state, zevra_gpu::cpuFSDistanceBatch);
  })->Apply(allSizes);
  for (const SimdPath path : zevra_kernel::all_simd_paths) {
    if (!zevra_kernel::simdPathRuns(path)) continue;
    const std::string name = std::string("fs_distance/cpuFSDistanceBatch, ") + pathName(path);
    RegisterBenchmark(name.c_str(), [path](State& state) {
      fsBatch(state, [path](Points in, HomVec4 r, std::span<double> out) {
        zevra_kernel::detail::fsDistanceBatchOn(path, in, r, out);
      });
    })->Apply(allSizes);
  }
  RegisterBenchmark("fs_distance/plain loop over std::acos", fsAcosLoop)->Apply(allSizes);
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The CPU reference batches at 10^3, 10^5 and 10^6 points.
// pgl_action: cpuPGLActionBatch beside a plain loop, Eigen's Matrix4d times
// a 4 x N map of the same points, and a memcpy of the same bytes (the
// memory-bandwidth floor, the baseline).
// fs_distance: cpuFSDistanceBatch beside a plain loop over std::acos (the
// baseline).
#include <benchmark/benchmark.h>

#include <Eigen/Core>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_kernel/metric.hpp"

namespace {

using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;

static_assert(sizeof(HomVec4) == 4 * sizeof(double), "a batch is a dense 4 x N array of f64");

std::vector<HomVec4> randomPoints(std::size_t n) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> coord(-1.0, 1.0);
  std::vector<HomVec4> points(n);
  for (HomVec4& p : points) p = HomVec4::init(coord(rng), coord(rng), coord(rng), coord(rng));
  return points;
}

// A general projective matrix: no zeros for a compiler to exploit.
constexpr PGL4 transform = PGL4::init(0.9, 0.1, -0.2, 0.01, -0.1, 1.1, 0.3, 0.02, 0.2, -0.3, 0.8,
                                      0.03, 1.5, -2.0, 0.5, 1.0);

const HomVec4 reference = HomVec4::init(0.3, -0.2, 0.5, 0.8);

void setBytes(benchmark::State& state, std::size_t n) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n * 2 * sizeof(HomVec4)));
}

void pglZevra(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<HomVec4> out(n);
  for (auto _ : state) {
    zevra_gpu::cpuPGLActionBatch(transform, in, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

// What one would write without the engine: four row sums per point.
void pglPlainLoop(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<HomVec4> out(n);
  const double* m = transform.data.data();
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const HomVec4 p = in[i];
      out[i] = HomVec4::init(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12] * p.w,
                             m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13] * p.w,
                             m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14] * p.w,
                             m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15] * p.w);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

void pglEigen(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<HomVec4> out(n);
  const auto cols = static_cast<Eigen::Index>(n);
  const Eigen::Map<const Eigen::Matrix4d> m(transform.data.data());  // column-major, as PGL4
  const Eigen::Map<const Eigen::Matrix<double, 4, Eigen::Dynamic>> src(&in.data()->x, 4, cols);
  Eigen::Map<Eigen::Matrix<double, 4, Eigen::Dynamic>> dst(&out.data()->x, 4, cols);
  for (auto _ : state) {
    dst.noalias() = m * src;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

void pglMemcpy(benchmark::State& state) {
  state.SetLabel("baseline");
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<HomVec4> out(n);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), n * sizeof(HomVec4));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  setBytes(state, n);
}

void fsZevra(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<double> out(n);
  for (auto _ : state) {
    zevra_gpu::cpuFSDistanceBatch(in, reference, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  // The batch must give exactly what fsDistance gives point by point.
  for (std::size_t i = 0; i < n; ++i)
    if (out[i] != zevra_kernel::fsDistance(in[i], reference)) {
      state.SkipWithError("cpuFSDistanceBatch differs from fsDistance");
      break;
    }
}

// The same formula written out over std::acos.
void fsAcosLoop(benchmark::State& state) {
  state.SetLabel("baseline");
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<HomVec4> in = randomPoints(n);
  std::vector<double> out(n);
  const HomVec4 q = reference;
  const double nq = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  for (auto _ : state) {
    for (std::size_t i = 0; i < n; ++i) {
      const HomVec4 p = in[i];
      const double np = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z + p.w * p.w);
      if (np < 1e-15 || nq < 1e-15) {
        out[i] = 0.0;
        continue;
      }
      const double d = std::fabs(p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w) / (np * nq);
      out[i] = std::acos(d < 1.0 ? d : 1.0);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void sizes(benchmark::internal::Benchmark* b) { b->Arg(1000)->Arg(100000)->Arg(1000000); }

}  // namespace

BENCHMARK(pglZevra)->Name("pgl_action/cpuPGLActionBatch")->Apply(sizes);
BENCHMARK(pglPlainLoop)->Name("pgl_action/plain loop")->Apply(sizes);
BENCHMARK(pglEigen)->Name("pgl_action/Eigen Matrix4d * 4xN map")->Apply(sizes);
BENCHMARK(pglMemcpy)->Name("pgl_action/memcpy of the same bytes")->Apply(sizes);
BENCHMARK(fsZevra)->Name("fs_distance/cpuFSDistanceBatch")->Apply(sizes);
BENCHMARK(fsAcosLoop)->Name("fs_distance/plain loop over std::acos")->Apply(sizes);

BENCHMARK_MAIN();

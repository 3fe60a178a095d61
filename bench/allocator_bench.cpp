// One allocation and free of 64 bytes: through the checking allocator (which
// records a 10-frame trace at each) and through glibc's malloc and free.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdlib>

#include "harness/core/session.hpp"

namespace {

constexpr std::size_t pair_bytes = 64;
constexpr std::size_t pair_align = alignof(std::max_align_t);

void checkingAllocatorPair(benchmark::State& state) {
  zevra_harness::DebugAllocator& gpa = zevra_harness::session().allocator_instance;
  gpa.reset();
  for (auto _ : state) {
    void* p = gpa.alloc(pair_bytes, pair_align);
    benchmark::DoNotOptimize(p);
    gpa.free(p, pair_bytes, pair_align);
    benchmark::ClobberMemory();
  }
  if (gpa.deinit() != zevra_harness::DebugAllocator::Check::ok) state.SkipWithError("leak");
}

void glibcPair(benchmark::State& state) {
  for (auto _ : state) {
    void* p = std::malloc(pair_bytes);
    benchmark::DoNotOptimize(p);
    std::free(p);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(checkingAllocatorPair)->Name("alloc_free_64/zevra checking allocator");
BENCHMARK(glibcPair)->Name("alloc_free_64/glibc malloc");

BENCHMARK_MAIN();

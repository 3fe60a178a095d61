// The 64-byte allocation and free of allocator_bench.cpp under
// AddressSanitizer, whose malloc and free record a trace each: the peer of
// the checking allocator. The baseline of its group.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdlib>

namespace {

void asanPair(benchmark::State& state) {
  state.SetLabel("baseline");
  for (auto _ : state) {
    void* p = std::malloc(64);
    benchmark::DoNotOptimize(p);
    std::free(p);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(asanPair)->Name("alloc_free_64/AddressSanitizer malloc");

BENCHMARK_MAIN();

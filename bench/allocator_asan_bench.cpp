// The 64-byte allocation and free of allocator_bench.cpp under
// AddressSanitizer, whose malloc and free record a trace each, below the same
// call chain: the peer of the checking allocator and the baseline of its
// group. "frames" is how many frames ASan recorded for an allocation made
// there (run with malloc_context_size=10, see run_benchmarks.sh).
// ASan keeps freed blocks in a quarantine of 256 MB before it reuses them;
// until that is full, every few dozen pairs touch a fresh page, whose fault
// costs more than the pair. The comparison is made in ASan's steady state,
// as the checking allocator's is: the first run fills the quarantine first.
#include <benchmark/benchmark.h>
#include <sanitizer/asan_interface.h>
#include <sys/resource.h>

#include <cstddef>
#include <cstdlib>

#include "call_chain.hpp"

namespace {

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

void pair() {
  void* p = std::malloc(64);
  benchmark::DoNotOptimize(p);
  std::free(p);
  benchmark::ClobberMemory();
}

// Pairs until 2^16 of them fault in no more than a few pages (at most 2^24).
void fillQuarantine() {
  for (int batch = 0; batch < 256; ++batch) {
    const long faults = minorFaults();
    for (int i = 0; i < (1 << 16); ++i) pair();
    if (minorFaults() - faults <= 16) return;
  }
}

void pairs(void* arg) {
  benchmark::State& state = *static_cast<benchmark::State*>(arg);
  static const bool filled = (fillQuarantine(), true);
  (void)filled;
  const long faults = minorFaults();
  for (auto _ : state) pair();
  state.counters["minor faults"] = static_cast<double>(minorFaults() - faults);
  void* kept = std::malloc(64);
  void* trace[64];
  int thread = 0;
  state.counters["frames"] = static_cast<double>(__asan_get_alloc_stack(kept, trace, 64, &thread));
  std::free(kept);
}

void asanPair(benchmark::State& state) {
  state.SetLabel("baseline");
  zevra_bench::belowChain(zevra_bench::chain_depth, pairs, &state);
}

}  // namespace

BENCHMARK(asanPair)->Name("alloc_free_64/AddressSanitizer malloc");

BENCHMARK_MAIN();

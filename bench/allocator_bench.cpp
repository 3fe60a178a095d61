// One allocation and free of 64 bytes, made below the same chain of
// frame-pointer frames (call_chain.hpp) by every contender: the checking
// allocator, which records a 10-frame trace at each, and glibc's malloc and
// free. The AddressSanitizer contender is allocator_asan_bench.cpp.
// Besides the time, each reports the frames its trace could hold and the
// minor page faults of the timed loop; the checking allocator also reports
// its mmap and munmap calls in the loop (an error if there are any: in its
// steady state it reuses the slots that leave its quarantine) and the
// bytes it holds per live 64-byte block beyond the block itself.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstddef>
#include <cstdlib>

#include "call_chain.hpp"
#include "harness/portable/allocator/allocator_instance.hpp"
#include "harness/portable/core/session.hpp"
#include "harness/portable/platform/pages.hpp"

namespace {

using zevra_harness::detail::DebugAllocator;
namespace os_pages = zevra_harness::detail::os_pages;

constexpr std::size_t pair_bytes = 64;
constexpr std::size_t pair_align = alignof(std::max_align_t);

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

struct Loop {
  benchmark::State& state;
  DebugAllocator* gpa;  // nullptr: glibc
};

// The timed loop, at the bottom of the chain.
void pairs(void* arg) {
  Loop& loop = *static_cast<Loop*>(arg);
  benchmark::State& state = loop.state;
  state.counters["frames"] = static_cast<double>(zevra_bench::framesAbove());
  DebugAllocator* gpa = loop.gpa;
  if (gpa != nullptr) {
    // Past the quarantine: from here on every slot comes back round.
    for (int i = 0; i < 4096; ++i)
      gpa->free(gpa->alloc(pair_bytes, pair_align).value(), pair_bytes, pair_align);
  }
  const os_pages::Calls calls = os_pages::calls();
  const long faults = minorFaults();
  if (gpa != nullptr) {
    for (auto _ : state) {
      void* p = gpa->alloc(pair_bytes, pair_align).value();
      benchmark::DoNotOptimize(p);
      gpa->free(p, pair_bytes, pair_align);
      benchmark::ClobberMemory();
    }
  } else {
    for (auto _ : state) {
      void* p = std::malloc(pair_bytes);
      benchmark::DoNotOptimize(p);
      std::free(p);
      benchmark::ClobberMemory();
    }
  }
  state.counters["minor faults"] = static_cast<double>(minorFaults() - faults);
  if (gpa == nullptr) return;
  const os_pages::Calls after = os_pages::calls();
  const auto system_calls =
      static_cast<double>(after.maps - calls.maps + after.unmaps - calls.unmaps);
  state.counters["mmap+munmap"] = system_calls;
  if (system_calls != 0) state.SkipWithError("mmap or munmap in the steady state");

  // 10^5 live blocks from one place, beside what they hold themselves.
  constexpr std::size_t live = 100000;
  static void* blocks[live];
  for (void*& p : blocks) p = gpa->alloc(pair_bytes, pair_align).value();
  state.counters["bookkeeping bytes per live block"] =
      (static_cast<double>(gpa->heldBytes()) - live * pair_bytes) / live;
  for (void* p : blocks) gpa->free(p, pair_bytes, pair_align);
}

void checkingAllocatorPair(benchmark::State& state) {
  DebugAllocator& gpa = zevra_harness::detail::allocatorInstance();
  gpa.reset();
  Loop loop{state, &gpa};
  zevra_bench::belowChain(zevra_bench::chain_depth, pairs, &loop);
  if (gpa.deinit() != DebugAllocator::Check::ok) state.SkipWithError("leak");
}

void glibcPair(benchmark::State& state) {
  Loop loop{state, nullptr};
  zevra_bench::belowChain(zevra_bench::chain_depth, pairs, &loop);
}

}  // namespace

BENCHMARK(checkingAllocatorPair)->Name("alloc_free_64/zevra checking allocator");
BENCHMARK(glibcPair)->Name("alloc_free_64/glibc malloc");

BENCHMARK_MAIN();

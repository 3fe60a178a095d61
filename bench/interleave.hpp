#pragma once
// Contenders timed in turn within one benchmark: each iteration runs every
// contender once, in order (A B A B ...), so that a change in the load of a
// shared machine reaches all of them alike and their ratios hold. Each
// contender's mean time per run goes out as a counter "time:K:name" (or
// "baseline:K:name" for the group's baseline; seconds, K its place), which
// run_benchmarks.sh reports as the benchmark "group/name[/N]" of a benchmark
// named "group/anything[/N]".

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zevra_bench {

struct Contender {
  std::string name;
  // One run: the time it took, or nothing when it failed.
  std::function<std::optional<std::chrono::nanoseconds>()> run;
  bool baseline = false;
};

// The benchmark loop over `contenders`; register the benchmark with
// UseManualTime(): an iteration counts as the sum of its runs.
void runInTurn(benchmark::State& state, std::span<const Contender> contenders);

// Reports `value` beside the time of contender `k` (its place in the list
// given to runInTurn): the counter "quantity:K:name", which
// run_benchmarks.sh shows in a column of the group's table.
void reportBeside(benchmark::State& state, std::string_view quantity, std::size_t k,
                  const Contender& contender, double value);

}  // namespace zevra_bench

#include "interleave.hpp"

#include <vector>

namespace zevra_bench {
namespace {

// "role:K:name", K of two digits so that the names sort in place order.
std::string counterName(std::string_view role, std::size_t k, std::string_view name) {
  std::string key(role);
  key += ':';
  if (k < 10) key += '0';
  key += std::to_string(k);
  key += ':';
  key += name;
  return key;
}

}  // namespace

void runInTurn(benchmark::State& state, std::span<const Contender> contenders) {
  using Seconds = std::chrono::duration<double>;
  std::vector<std::chrono::nanoseconds> total(contenders.size());
  bool failed = false;
  for (auto _ : state) {
    std::chrono::nanoseconds round{};
    for (std::size_t k = 0; k < contenders.size() && !failed; ++k) {
      const std::optional<std::chrono::nanoseconds> took = contenders[k].run();
      if (!took) {
        state.SkipWithError(("a run of \"" + contenders[k].name + "\" failed").c_str());
        failed = true;
      } else {
        total[k] += *took;
        round += *took;
      }
    }
    if (failed) break;
    state.SetIterationTime(Seconds(round).count());
  }
  if (failed) return;
  for (std::size_t k = 0; k < contenders.size(); ++k) {
    state.counters[counterName(contenders[k].baseline ? "baseline" : "time", k,
                               contenders[k].name)] =
        benchmark::Counter(Seconds(total[k]).count(), benchmark::Counter::kAvgIterations);
  }
}

void reportBeside(benchmark::State& state, std::string_view quantity, std::size_t k,
                  const Contender& contender, double value) {
  state.counters[counterName(quantity, k, contender.name)] = value;
}

}  // namespace zevra_bench

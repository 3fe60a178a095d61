#include "interleave.hpp"

#include <vector>

namespace zevra_bench {

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
    std::string key = contenders[k].baseline ? "baseline:" : "time:";
    if (k < 10) key += '0';  // two digits: the names sort in place order
    key += std::to_string(k);
    key += ':';
    key += contenders[k].name;
    state.counters[key] =
        benchmark::Counter(Seconds(total[k]).count(), benchmark::Counter::kAvgIterations);
  }
}

}  // namespace zevra_bench

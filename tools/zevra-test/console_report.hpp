#pragma once
// The text a run prints: one line per test run, as it ends, then a summary.
//   ok      zevra_app.test.App: AppConfig defaults (0.031 ms)
//   crash   client.test.dereferences null (SIGSEGV, 1.204 ms)
// A run that did not pass is followed by what its server wrote to standard
// error during it (the failure trace, leak reports, the fault report).
//   9 tests in 1012.345 ms: 4 ok, 1 skip, 1 fail, 1 leak, 1 crash, 1 timeout
// Names are printed escaped (names.hpp).

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "run_result.hpp"

namespace zevra_test {

// How many runs ended with each verdict; all a summary needs, whatever the
// number of runs.
struct Tally {
  std::array<std::uint64_t, kVerdicts> counts{};
  void add(Verdict v) { ++counts[static_cast<std::size_t>(v)]; }
  std::uint64_t of(Verdict v) const { return counts[static_cast<std::size_t>(v)]; }
  std::uint64_t total() const;
  bool allPassed() const;
};

std::string outcomeBlock(const RunResult& r, std::string_view name);
std::string summaryLine(const Tally& tally, std::chrono::nanoseconds elapsed);

}  // namespace zevra_test

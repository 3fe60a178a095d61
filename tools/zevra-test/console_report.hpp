#pragma once
// The text a run prints: one line per test run, as it ends, then a summary.
//   ok      zevra_app.test.App: AppConfig defaults (0.031 ms)
//   crash   client.test.dereferences null (SIGSEGV, 1.204 ms)
// A run that did not pass is followed by what its server wrote to standard
// error during it (the failure trace, leak reports, the fault report).
//   9 tests in 1012.345 ms: 4 ok, 1 skip, 1 fail, 1 leak, 1 crash, 1 timeout

#include <chrono>
#include <span>
#include <string>
#include <string_view>

#include "run_result.hpp"

namespace zevra_test {

std::string outcomeBlock(const RunResult& r, std::string_view name);
std::string summaryLine(std::span<const RunResult> results, std::chrono::nanoseconds elapsed);

}  // namespace zevra_test

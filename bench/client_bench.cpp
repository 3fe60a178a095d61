// zevra-test, process start to exit: running all 52 tests of the self-test
// on one server beside the self-test's own terminal-mode run (the baseline),
// and eight tests of 50 ms each on one and on two servers.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "spawn.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::string outputPath() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-client.txt";
}

// Wall-clock seconds from spawn to reaped exit; negative if it failed.
double timedRun(std::span<char* const> argv, const std::string& output) {
  const auto start = Clock::now();
  const int status = zevra_bench::runToExit(argv, output.c_str());
  const std::chrono::duration<double> took = Clock::now() - start;
  return status == 0 ? took.count() : -1;
}

// Each iteration runs both, in turn first (A B, B A, ...), so that the two
// times come from the same moments of a shared machine, and reports one.
void paired(benchmark::State& state, bool client_is_subject) {
  if (!client_is_subject) state.SetLabel("baseline");
  const std::string output = outputPath();
  std::array<char*, 2> terminal{const_cast<char*>(ZEVRA_SELFTEST), nullptr};
  std::array<char*, 3> client{const_cast<char*>(ZEVRA_TEST), const_cast<char*>(ZEVRA_SELFTEST),
                              nullptr};
  bool client_first = false;
  for (auto _ : state) {
    double client_time = 0, terminal_time = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == client_first)
        client_time = timedRun(client, output);
      else
        terminal_time = timedRun(terminal, output);
    }
    client_first = !client_first;
    if (client_time < 0 || terminal_time < 0) {
      state.SkipWithError("a run did not exit with status 0");
      break;
    }
    state.SetIterationTime(client_is_subject ? client_time : terminal_time);
  }
}

void jobs(benchmark::State& state, const char* count) {
  if (std::string_view(count) == "1") state.SetLabel("baseline");
  const std::string output = outputPath();
  std::array<char*, 5> argv{const_cast<char*>(ZEVRA_TEST), const_cast<char*>("--jobs"),
                            const_cast<char*>(count), const_cast<char*>(ZEVRA_SLEEP_RUNNER),
                            nullptr};
  for (auto _ : state) {
    const double took = timedRun(argv, output);
    if (took < 0) {
      state.SkipWithError("zevra-test did not exit with status 0");
      break;
    }
    state.SetIterationTime(took);
  }
}

}  // namespace

BENCHMARK_CAPTURE(paired, terminal, false)
    ->Name("client_run/terminal mode")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(paired, client, true)
    ->Name("client_run/zevra-test, one server")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(jobs, one, "1")
    ->Name("client_jobs/8 tests of 50 ms, --jobs 1")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(jobs, two, "2")
    ->Name("client_jobs/8 tests of 50 ms, --jobs 2")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

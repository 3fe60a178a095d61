// Process start to exit of the whole self-test, standard output and error to
// a file, beside a GoogleTest binary running the very same test functions and
// beside an empty static main (the process floor, the baseline) and that
// main with the CPU detection that load-time dispatch runs.
// Measured twice: wall-clock from spawn to reaped exit, and the CPU time the
// child itself used (user + system, from wait4), which a shared machine's
// scheduling disturbs far less.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>

#include "spawn.hpp"

namespace {

std::string outputPath() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-output.txt";
}

void runProcess(benchmark::State& state, const char* path, bool baseline) {
  if (baseline) state.SetLabel("baseline");
  const std::string output = outputPath();
  std::array<char*, 2> argv{const_cast<char*>(path), nullptr};
  for (auto _ : state) {
    if (zevra_bench::runToExit(argv, output.c_str()) != 0) {
      state.SkipWithError("the process did not exit with status 0");
      break;
    }
  }
}

void processCpu(benchmark::State& state, const char* path, bool baseline) {
  if (baseline) state.SetLabel("baseline");
  const std::string output = outputPath();
  std::array<char*, 2> argv{const_cast<char*>(path), nullptr};
  for (auto _ : state) {
    std::chrono::nanoseconds cpu{};
    if (zevra_bench::runToExit(argv, output.c_str(), &cpu) != 0) {
      state.SkipWithError("the process did not exit with status 0");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(cpu).count());
  }
}

}  // namespace

#define ZEVRA_PROCESS_BENCH(fn, id, path, baseline, group, title) \
  BENCHMARK_CAPTURE(fn, id, path, baseline)->Name(group "/" title)->Unit(benchmark::kMicrosecond)

#define ZEVRA_PROCESS_PEERS(fn, group, timing)                                                     \
  ZEVRA_PROCESS_BENCH(fn, zevra, ZEVRA_SELFTEST, false, group, "zevra-selftest")->timing();        \
  ZEVRA_PROCESS_BENCH(fn, gtest_static, ZEVRA_GTEST_STATIC, false, group, "GoogleTest, static")    \
      ->timing();                                                                                  \
  ZEVRA_PROCESS_BENCH(fn, gtest_dynamic, ZEVRA_GTEST_DYNAMIC, false, group, "GoogleTest, dynamic") \
      ->timing();                                                                                  \
  ZEVRA_PROCESS_BENCH(fn, dispatch, ZEVRA_CPU_DISPATCH_MAIN, false, group,                         \
                      "empty main with CPU detection, static")                                     \
      ->timing();                                                                                  \
  ZEVRA_PROCESS_BENCH(fn, empty, ZEVRA_EMPTY_MAIN, true, group, "empty main, static")->timing()

ZEVRA_PROCESS_PEERS(runProcess, "selftest_process", UseRealTime);
ZEVRA_PROCESS_PEERS(processCpu, "selftest_process_cpu", UseManualTime);

BENCHMARK_MAIN();

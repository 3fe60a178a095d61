// Process start to exit of the whole self-test, standard output and error to
// a file, beside a GoogleTest binary running the very same test functions and
// beside an empty static main (the process floor, the baseline).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <string>

#include "spawn.hpp"

namespace {

void runProcess(benchmark::State& state, const char* path, bool baseline) {
  if (baseline) state.SetLabel("baseline");
  const char* tmp = std::getenv("TMPDIR");
  const std::string output = std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-output.txt";
  std::array<char*, 2> argv{const_cast<char*>(path), nullptr};
  for (auto _ : state) {
    if (zevra_bench::runToExit(argv, output.c_str()) != 0) {
      state.SkipWithError("the process did not exit with status 0");
      break;
    }
  }
}

}  // namespace

BENCHMARK_CAPTURE(runProcess, zevra, ZEVRA_SELFTEST, false)
    ->Name("selftest_process/zevra-selftest")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(runProcess, gtest_static, ZEVRA_GTEST_STATIC, false)
    ->Name("selftest_process/GoogleTest, static")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(runProcess, gtest_dynamic, ZEVRA_GTEST_DYNAMIC, false)
    ->Name("selftest_process/GoogleTest, dynamic")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(runProcess, empty, ZEVRA_EMPTY_MAIN, true)
    ->Name("selftest_process/empty main, static")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

BENCHMARK_MAIN();

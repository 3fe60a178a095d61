// Process start to exit of the whole self-test, standard output and error to
// a file, beside a GoogleTest binary running the very same test functions and
// beside an empty static main (the process floor, the baseline) and that
// main with the CPU detection that load-time dispatch runs. The processes
// run in turn, one of each per iteration (interleave.hpp).
// Measured twice: wall-clock from spawn to reaped exit, and the CPU time the
// child itself used (user + system, from wait4), which a shared machine's
// scheduling disturbs far less.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "interleave.hpp"
#include "spawn.hpp"

namespace {

using std::chrono::nanoseconds;

std::string outputPath() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-output.txt";
}

struct Program {
  const char* name;
  const char* path;
};

constexpr std::array<Program, 5> programs{{
    {"zevra-selftest", ZEVRA_SELFTEST},
    {"GoogleTest, static", ZEVRA_GTEST_STATIC},
    {"GoogleTest, dynamic", ZEVRA_GTEST_DYNAMIC},
    {"empty main with CPU detection, static", ZEVRA_CPU_DISPATCH_MAIN},
    {"empty main, static", ZEVRA_EMPTY_MAIN},  // the baseline, last
}};

// One run of `path` to a reaped exit with status 0: its wall-clock time, or
// the CPU time the child used.
std::optional<nanoseconds> runOnce(const char* path, const std::string& output, bool cpu_time) {
  std::array<char*, 2> argv{const_cast<char*>(path), nullptr};
  nanoseconds cpu{};
  const auto start = std::chrono::steady_clock::now();
  if (zevra_bench::runToExit(argv, output.c_str(), &cpu) != 0) return std::nullopt;
  if (cpu_time) return cpu;
  return std::chrono::duration_cast<nanoseconds>(std::chrono::steady_clock::now() - start);
}

void processes(benchmark::State& state, bool cpu_time) {
  const std::string output = outputPath();
  std::vector<zevra_bench::Contender> contenders;
  for (const Program& p : programs)
    contenders.push_back(
        {p.name, [&, p] { return runOnce(p.path, output, cpu_time); }, &p == &programs.back()});
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

BENCHMARK_CAPTURE(processes, wall, false)
    ->Name("selftest_process/in turn")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(processes, cpu, true)
    ->Name("selftest_process_cpu/in turn")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

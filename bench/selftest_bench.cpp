// Process start to exit of the whole self-test, standard output and error to
// a file, beside a GoogleTest binary running the very same test functions and
// beside an empty static main (the process floor, the baseline) and that
// main with the CPU detection that load-time dispatch runs. The processes
// run in turn, one of each per iteration (interleave.hpp).
// Measured twice: wall-clock from spawn to reaped exit, and the CPU time the
// child itself used (user + system, from wait4), which a shared machine's
// scheduling disturbs far less. Beside each time: the child's minor page
// faults (median over its runs, from wait4) and the executable's size (a
// dynamically linked one maps its shared libraries besides).
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <algorithm>
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
// the CPU time the child used; its page faults are added to `faults`.
std::optional<nanoseconds> runOnce(const char* path, const std::string& output, bool cpu_time,
                                   std::vector<long>& faults) {
  std::array<char*, 2> argv{const_cast<char*>(path), nullptr};
  zevra_bench::ChildUsage used;
  const auto start = std::chrono::steady_clock::now();
  if (zevra_bench::runToExit(argv, output.c_str(), &used) != 0) return std::nullopt;
  faults.push_back(used.minor_faults);
  if (cpu_time) return used.cpu;
  return std::chrono::duration_cast<nanoseconds>(std::chrono::steady_clock::now() - start);
}

void processes(benchmark::State& state, bool cpu_time) {
  const std::string output = outputPath();
  std::array<std::vector<long>, programs.size()> faults;
  std::vector<zevra_bench::Contender> contenders;
  for (std::size_t k = 0; k < programs.size(); ++k)
    contenders.push_back({programs[k].name,
                          [&, k] { return runOnce(programs[k].path, output, cpu_time, faults[k]); },
                          k + 1 == programs.size()});
  zevra_bench::runInTurn(state, contenders);
  for (std::size_t k = 0; k < programs.size(); ++k) {
    std::vector<long>& f = faults[k];
    if (f.empty()) continue;
    std::nth_element(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(f.size() / 2), f.end());
    zevra_bench::reportBeside(state, "page faults", k, contenders[k],
                              static_cast<double>(f[f.size() / 2]));
    struct stat file {};
    if (::stat(programs[k].path, &file) == 0)
      zevra_bench::reportBeside(state, "executable kB", k, contenders[k],
                                static_cast<double>(file.st_size) / 1000);
  }
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

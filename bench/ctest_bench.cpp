// ctest -j1 over the 52 registered tests of zevra-selftest as each peer's
// CTest discovery registers them, and as 52 runs of the minimal static
// client on the real server (the floor of this design), beside 52 CTest
// tests that each start two static empty processes nested (the floor of any
// client/server design, the baseline): by the CPU time of ctest and every process it waited for
// (user + system, from wait4), the peers in turn (interleave.hpp). Each
// project is run once before timing, so that discovery is not timed, and
// every timed run starts from the cost data that this first run left: ctest
// (3.25) cannot read back the line it writes there for a test whose name holds
// a space, keeps it as an unknown test's and writes every test's line again,
// so that file grows by a line per such test and run and each run reads it
// all, which would time how often ctest ran before rather than the tests.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "interleave.hpp"
#include "spawn.hpp"

namespace {

struct Peer {
  const char* name;
  const char* dir;  // after ZEVRA_CTEST_DIRS
};

constexpr std::array<Peer, 7> kPeers{{
    {"zevra_discover_tests (zevra-test)", "zevra"},
    {"minimal static client on zevra-selftest", "minimal"},
    {"gtest_discover_tests, static", "gtest-static"},
    {"gtest_discover_tests, dynamic", "gtest-dynamic"},
    {"catch_discover_tests (Catch2)", "catch2"},
    {"doctest_discover_tests", "doctest"},
    {"two static empty processes nested", "floor"},  // the baseline, last
}};

std::string outputPath() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-ctest.txt";
}

std::string costDataPath(const std::string& dir) {
  return dir + "/Testing/Temporary/CTestCostData.txt";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Puts back the cost data of the untimed run; false when it cannot.
bool restoreCostData(const std::string& dir, const std::string& data) {
  std::ofstream out(costDataPath(dir), std::ios::binary | std::ios::trunc);
  out << data;
  return static_cast<bool>(out.flush());
}

std::optional<std::chrono::nanoseconds> runCtest(const std::string& dir,
                                                 const std::string& output) {
  std::string ctest = ZEVRA_CTEST, test_dir = "--test-dir", jobs = "-j1";
  std::string path = dir;
  std::array<char*, 5> argv{ctest.data(), test_dir.data(), path.data(), jobs.data(), nullptr};
  zevra_bench::ChildUsage used;
  if (zevra_bench::runToExit(argv, output.c_str(), &used) != 0) return std::nullopt;
  return used.cpu;
}

void ctestRuns(benchmark::State& state) {
  const std::string output = outputPath();
  std::vector<zevra_bench::Contender> contenders;
  for (std::size_t k = 0; k < kPeers.size(); ++k) {
    const std::string dir = std::string(ZEVRA_CTEST_DIRS) + kPeers[k].dir;
    std::remove(costDataPath(dir).c_str());  // what earlier benchmark runs left
    if (!runCtest(dir, output)) {
      state.SkipWithError(("ctest failed in " + dir).c_str());
      return;
    }
    std::string cost_data = readFile(costDataPath(dir));
    contenders.push_back({kPeers[k].name,
                          [dir, cost_data, &output]() -> std::optional<std::chrono::nanoseconds> {
                            if (!restoreCostData(dir, cost_data)) return std::nullopt;
                            return runCtest(dir, output);
                          },
                          k + 1 == kPeers.size()});
  }
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

// A ctest run is long and its CPU time varies by some percent from run to run:
// four rounds per repetition, so that each repetition's ratio is steady.
BENCHMARK(ctestRuns)
    ->Name("ctest_52_cpu/in turn")
    ->UseManualTime()
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

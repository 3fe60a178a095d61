// ctest -j1 over the 52 registered tests of zevra-selftest as each peer's
// CTest discovery registers them, and as 52 runs of the minimal static
// client on the real server (the floor of this design), beside 52 CTest
// tests that each start two static empty processes nested (the floor of any
// client/server design, the baseline): by the CPU time of ctest and every process it waited for
// (user + system, from wait4), the peers in turn (interleave.hpp). Each
// project is run once before timing, so that discovery is not timed.
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
    if (!runCtest(dir, output)) {
      state.SkipWithError(("ctest failed in " + dir).c_str());
      return;
    }
    contenders.push_back(
        {kPeers[k].name, [dir, &output] { return runCtest(dir, output); }, k + 1 == kPeers.size()});
  }
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

BENCHMARK(ctestRuns)->Name("ctest_52_cpu/in turn")->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

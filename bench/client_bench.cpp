// zevra-test, process start to exit: running all 52 tests of the self-test
// on one server beside the self-test's own terminal-mode run (the baseline),
// and eight tests of 50 ms each on one and on two servers; and by the CPU
// time of the client and its server (wait4), one test and all 52 beside the
// minimal static client that does the same list, runs and exit (the floor).
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interleave.hpp"
#include "selftest/registry.hpp"
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

std::optional<std::chrono::nanoseconds> cpuOfRun(std::vector<std::string> args,
                                                 const std::string& output) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  zevra_bench::ChildUsage used;
  // zevra-test exits 0 and the minimal client 0 on a passing run.
  if (zevra_bench::runToExit(argv, output.c_str(), &used) != 0) return std::nullopt;
  return used.cpu;
}

// "I:DIGEST" as zevra-test --list-indexed prints it (64-bit FNV-1a of the name).
std::string indexed(std::uint32_t index, std::string_view name) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
  return std::to_string(index) + ":" + digest;
}

// One test (the fourth, as a user names it and as CTest runs it) and all 52.
void againstFloor(benchmark::State& state, bool all) {
  const std::string output = outputPath();
  constexpr std::uint32_t kIndex = 3;
  const std::string name(zevra_selftest::test_functions[kIndex].name);
  std::vector<zevra_bench::Contender> contenders;
  const auto add = [&](std::string label, std::vector<std::string> args, bool baseline) {
    contenders.push_back(
        {std::move(label), [args, &output] { return cpuOfRun(args, output); }, baseline});
  };
  if (all) {
    add("zevra-test, all 52", {ZEVRA_TEST, ZEVRA_SELFTEST}, false);
    add("minimal client, all 52", {ZEVRA_MINIMAL_CLIENT, ZEVRA_SELFTEST, "all"}, true);
  } else {
    add("zevra-test --exact", {ZEVRA_TEST, "--exact", name, ZEVRA_SELFTEST}, false);
    add("zevra-test --index (as CTest runs it)",
        {ZEVRA_TEST, "--skip-return-code", "77", "--index", indexed(kIndex, name), ZEVRA_SELFTEST},
        false);
    add("minimal client, one test", {ZEVRA_MINIMAL_CLIENT, ZEVRA_SELFTEST, std::to_string(kIndex)},
        true);
  }
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

BENCHMARK_CAPTURE(againstFloor, one, false)
    ->Name("client_one_cpu/in turn")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(againstFloor, all, true)
    ->Name("client_all_cpu/in turn")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
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

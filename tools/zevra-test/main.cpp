// zevra-test: lists and runs the tests of an executable built on the harness
// through its build-runner protocol. Exit status 0 when every run passed or
// skipped, 1 when one did not, 2 when the command line or the executable did
// not allow a run (one line naming the problem).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "console_report.hpp"
#include "harness/base/wire.hpp"
#include "harness/base/write_all.hpp"
#include "junit.hpp"
#include "plan.hpp"
#include "registry_listing.hpp"
#include "run_result.hpp"
#include "scheduler.hpp"

namespace {

using namespace zevra_test;
using zevra_harness::writeAll;

constexpr int kUnusable = 2;

int unusable(std::string_view about, std::string problem) {
  if (problem.empty() || problem.back() != '\n') problem += '\n';
  (void)writeAll(STDERR_FILENO,
                 "zevra-test: " + std::string(about) + (about.empty() ? "" : ": ") + problem);
  return kUnusable;
}

std::string_view baseName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

int run(const Options& options) {
  // The report file is opened first, so that a bad path costs no run.
  int junit_fd = -1;
  if (!options.junit_path.empty()) {
    junit_fd = ::open(options.junit_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (junit_fd < 0)
      return unusable(options.junit_path, std::string("cannot write: ") + ::strerror(errno));
  }
  const std::string& exe = options.executable;
  // Servers name each failure's error on standard error, for the reports.
  (void)::setenv(zevra_harness::kErrorNamesVariable, "1", 1);
  auto listing = listRegistry(exe, options.timeout);
  if (!listing) return unusable(exe, listing.error());
  auto order = planTests(listing->names, options);
  if (!order) return unusable(exe, order.error());

  if (options.list) {
    std::string text;
    for (std::uint32_t i : *order) text += listing->names[i] + "\n";
    (void)writeAll(STDOUT_FILENO, text);
    (void)listing->server.finish(Clock::now() + std::chrono::seconds(2));
    return 0;
  }

  std::vector<std::uint32_t> runs;
  for (std::uint32_t round = 0; round < options.repeat; ++round)
    runs.insert(runs.end(), order->begin(), order->end());
  std::vector<RunResult> results(runs.size());
  const auto started = Clock::now();
  auto ran = runTests(std::move(listing->server), runs,
                      {.executable = exe, .jobs = options.jobs, .timeout = options.timeout},
                      [&](std::size_t position, RunResult r) {
                        (void)writeAll(STDOUT_FILENO, outcomeBlock(r, listing->names[r.index]));
                        results[position] = std::move(r);
                      });
  if (!ran) return unusable(exe, ran.error());
  const auto elapsed = Clock::now() - started;
  (void)writeAll(STDOUT_FILENO, summaryLine(results, elapsed));

  if (junit_fd >= 0) {
    const bool written =
        writeAll(junit_fd, junitReport(baseName(exe), listing->names, results, elapsed));
    if (::close(junit_fd) != 0 || !written)
      return unusable(options.junit_path, "cannot write the report");
  }
  for (const RunResult& r : results)
    if (!passed(r.verdict)) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A server that dies makes a write to it fail instead of killing the client.
  ::signal(SIGPIPE, SIG_IGN);
  auto options = parseCommandLine({argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
  if (!options) return unusable("", options.error());
  if (options->help) {
    (void)writeAll(STDOUT_FILENO, kHelpText);
    return 0;
  }
  return run(*options);
}

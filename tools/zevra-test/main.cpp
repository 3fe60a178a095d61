// zevra-test: lists and runs the tests of an executable built on the harness
// through its build-runner protocol. Exit status 0 when every run passed or
// skipped, 1 when one did not, 2 when the command line or the executable did
// not allow a run (one line naming the problem), the --skip-return-code when
// every run skipped; ended by SIGINT, SIGTERM or SIGHUP, it ends its servers,
// writes its report and ends by that signal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "console_report.hpp"
#include "harness/base/wire.hpp"
#include "harness/base/write_all.hpp"
#include "junit_file.hpp"
#include "names.hpp"
#include "output_queue.hpp"
#include "plan.hpp"
#include "scheduler.hpp"
#include "sharding_environment.hpp"

namespace {

using namespace zevra_test;
using zevra_harness::writeAll;

constexpr int kUnusable = 2;

void complain(std::string_view about, std::string problem) {
  if (problem.empty() || problem.back() != '\n') problem += '\n';
  (void)writeAll(STDERR_FILENO,
                 "zevra-test: " + std::string(about) + (about.empty() ? "" : ": ") + problem);
}

int unusable(std::string_view about, std::string problem) {
  complain(about, std::move(problem));
  return kUnusable;
}

std::string_view baseName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The signals that end a run, unless the client was started with them
// ignored, SIGCHLD, by which a server's exit is seen, and SIGALRM, which
// ends a wait in time: blocked, and read from a signalfd by every wait.
struct Signals {
  sigset_t original{};  // the mask the client started with, for its servers
  int fd = -1;
};

Signals takeSignals() {
  Signals s;
  sigset_t ending, blocked;
  sigemptyset(&ending);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) sigaddset(&ending, sig);
  }
  // Ignored, children would be reaped unseen.
  ::signal(SIGCHLD, SIG_DFL);
  sigaddset(&ending, SIGCHLD);
  // The scheduler's timer, which bounds each wait.
  sigaddset(&ending, SIGALRM);
  blocked = ending;
  // A server that went away makes a write to it fail instead of ending the client.
  sigaddset(&blocked, SIGPIPE);
  ::sigprocmask(SIG_BLOCK, &blocked, &s.original);
  s.fd = ::signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK);
  return s;
}

// As many servers as the descriptors allow: each holds three (its pipes),
// and three more while it starts.
std::uint32_t affordableJobs(std::uint32_t jobs) {
  if (jobs <= 1) return jobs;
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return jobs;
  constexpr rlim_t kReserved = 16;  // standard streams, signalfd, report, a fresh server's start
  const rlim_t fit = limit.rlim_cur > kReserved + 3 ? (limit.rlim_cur - kReserved) / 3 : 1;
  if (jobs <= fit) return jobs;
  complain("", "--jobs " + std::to_string(jobs) + ": " + std::to_string(limit.rlim_cur) +
                   " descriptors allowed (ulimit -n) hold " + std::to_string(fit) +
                   " servers; using " + std::to_string(fit));
  return static_cast<std::uint32_t>(fit);
}

// Registry indices in `order` that share a name, as one line; empty if none.
std::string duplicateNames(std::span<const std::string_view> names,
                           const std::vector<std::uint32_t>& order) {
  std::vector<std::uint32_t> sorted = order;
  std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
    return names[a] != names[b] ? names[a] < names[b] : a < b;
  });
  for (std::size_t k = 1; k < sorted.size(); ++k)
    if (names[sorted[k]] == names[sorted[k - 1]])
      return "tests " + std::to_string(sorted[k - 1]) + " and " + std::to_string(sorted[k]) +
             " are both named \"" + escapeName(names[sorted[k]]) +
             "\"; each test needs a name of its own";
  return {};
}

std::string listing(std::span<const std::string_view> names, const Plan& plan, bool indexed) {
  std::string text;
  for (std::uint32_t i : plan.order) {
    if (indexed) text += std::to_string(i) + ":" + nameDigest(names[i]) + " ";
    text += escapeName(names[i]) + "\n";
  }
  return text;
}

int endBySignal(int sig) {
  ::signal(sig, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(sig);
  return 128 + sig;
}

int run(const Options& options, const Signals& signals) {
  const std::string& exe = options.executable;
  // Servers name each failure's error on standard error, for the reports.
  (void)::setenv(zevra_harness::kErrorNamesVariable, "1", 1);
  const bool listing_only = options.list || options.list_indexed;
  // The report is begun first, so that a bad path costs no run; an old one
  // stays until a complete one replaces it.
  std::optional<JunitFile> junit;
  if (!listing_only && !options.junit_path.empty()) {
    auto created = JunitFile::create(options.junit_path, std::string(baseName(exe)));
    if (!created) return unusable(options.junit_path, created.error());
    junit.emplace(std::move(*created));
  }
  Tally tally;
  const auto began = Clock::now();
  OutputQueue out(STDOUT_FILENO);
  std::optional<Scheduler> scheduler;
  auto stop = [&](const Stop& s, Clock::time_point started) {
    out.flush();
    scheduler.reset();  // every server's group ended first
    const std::string cause =
        s.signal != 0 ? std::string("ended by ") + describeEnding({.signal = s.signal}) : s.problem;
    if (junit) (void)junit->commit(tally, Clock::now() - started, exe + ": " + cause);
    if (s.signal == 0) return unusable(exe, s.problem);
    complain(exe, cause + " after " + std::to_string(tally.total()) + " runs");
    return endBySignal(s.signal);
  };

  auto path = resolveExecutable(exe);
  if (!path) return stop({0, path.error()}, began);
  const std::unique_ptr<char[]> scratch(new char[65536]);
  scheduler.emplace(SchedulerSettings{.launch = {.path = std::move(*path),
                                                 .mask = signals.original,
                                                 .scratch = {scratch.get(), 65536}},
                                      .jobs = affordableJobs(options.jobs),
                                      .timeout = options.timeout,
                                      .signal_fd = signals.fd,
                                      .output = &out});
  const auto listed = scheduler->list();
  if (!listed) return stop(listed.error(), began);
  const std::span<const std::string_view> names = *listed;
  auto plan = planTests(names, options);
  if (!plan) return stop({0, plan.error()}, began);

  if (listing_only) {
    if (options.list_indexed)
      if (std::string duplicate = duplicateNames(names, plan->order); !duplicate.empty())
        return unusable(exe, duplicate);
    out.add(listing(names, *plan, options.list_indexed));
    out.flush();
    (void)scheduler->finish();
    return 0;
  }

  const auto started = Clock::now();
  auto ran = scheduler->run(*plan, [&](RunResult r) {
    const std::string_view name = names[r.index];
    out.add(outcomeBlock(r, name));
    if (junit) junit->add(name, r);
    tally.add(r.verdict);
  });
  if (!ran) return stop(ran.error(), started);
  const std::vector<std::string> problems = scheduler->finish();
  if (const int sig = scheduler->endedBy(); sig != 0) return stop({sig, {}}, started);
  const auto elapsed = Clock::now() - started;
  out.add(summaryLine(tally, elapsed));
  out.flush();
  for (const std::string& p : problems) complain(exe, p);

  if (junit) {
    std::string cause;
    for (const std::string& p : problems) cause += exe + ": " + p;
    if (auto committed = junit->commit(tally, elapsed, cause); !committed)
      return unusable(options.junit_path, committed.error());
  }
  if (!tally.allPassed() || !problems.empty()) return 1;
  if (options.skip_return_code && tally.total() != 0 && tally.of(Verdict::skip) == tally.total())
    return *options.skip_return_code;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A server's pipes must never land on 0, 1 or 2, where its child moves
  // them: a closed one is opened on /dev/null (one poll tells which are).
  std::array<pollfd, 3> standard{{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}};
  if (::poll(standard.data(), standard.size(), 0) > 0)
    for (const pollfd& p : standard)
      if ((p.revents & POLLNVAL) != 0) (void)::open("/dev/null", O_RDWR);
  const Signals signals = takeSignals();
  auto options = parseCommandLine({argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
  if (!options) return unusable("", options.error());
  if (options->help) {
    (void)writeAll(STDOUT_FILENO, kHelpText);
    return 0;
  }
  // Discovery lists every test, wherever it runs.
  if (!options->list && !options->list_indexed)
    if (auto env = applyShardingEnvironment(*options); !env) return unusable("", env.error());
  return run(*options, signals);
}

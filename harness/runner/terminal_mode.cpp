#include "harness/runner/terminal_mode.hpp"

#include <unistd.h>

#include <cstddef>

#include "harness/portable/core/session.hpp"
#include "harness/portable/core/test_run.hpp"
#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"
#include "harness/portable/platform/progress.hpp"

namespace zevra_harness::detail {
namespace {

// One line per test when standard error is not a terminal: the prefix
// "{i}/{n} {name}..." before the call, the outcome word after it. On a
// terminal only skips and failures print, with the whole prefix.
class TerminalReporter final : public Reporter {
 public:
  TerminalReporter(std::size_t total, bool have_tty) : total_(total), have_tty_(have_tty) {}

  void next(std::size_t number, const TestFn& test) {
    number_ = number;
    test_ = &test;
  }

  void testStarts() override {
    progress::itemBegin(test_->name);
    if (!have_tty_) print("{}/{} {}...", number_, total_, test_->name);
  }

  void testReturned(const Status& status) override {
    if (status) {
      progress::itemEnd();
      if (!have_tty_) {
        // Sent with whatever is printed next (a leak report, the next test's
        // line or the summary): one write per test instead of two.
        StderrLock lock;
        deferToNextPrint("OK\n");
      }
    } else if (status.error() == Skip) {
      if (have_tty_)
        print("{}/{} {}...SKIP\n", number_, total_, test_->name);
      else
        print("SKIP\n");
      progress::itemEnd();
    } else {
      {
        StderrLock lock;
        StderrBuffer out;
        if (have_tty_)
          format(out, "{}/{} {}...FAIL ({})\n", number_, total_, test_->name, status.error().name);
        else
          format(out, "FAIL ({})\n", status.error().name);
        session().failure_trace.append(out);
      }
      progress::itemEnd();
    }
  }

 private:
  std::size_t total_;
  bool have_tty_;
  std::size_t number_ = 0;
  const TestFn* test_ = nullptr;
};

}  // namespace

int mainTerminal(Registry registry) {
  const std::size_t n = registry.size();
  progress::start("Test", n);
  TerminalReporter reporter(n, ::isatty(2) == 1);
  std::size_t ok_count = 0, skip_count = 0, fail_count = 0, leaks = 0, fuzz_count = 0;

  for (std::size_t i = 0; i < n; ++i) {
    reporter.next(i + 1, registry[i]);
    const TestRun run = runOne(registry[i], kTerminalPolicy, reporter);
    switch (run.outcome) {
      case TestRun::Outcome::success:
        ++ok_count;
        break;
      case TestRun::Outcome::skip:
        ++skip_count;
        break;
      case TestRun::Outcome::failure:
        ++fail_count;
        break;
    }
    if (run.leaked) ++leaks;
    if (run.fuzz) ++fuzz_count;
  }
  progress::end();

  const std::size_t logged = session().log_err_count;
  {
    StderrLock lock;
    StderrBuffer out;
    if (ok_count == n)
      format(out, "All {} tests passed.\n", ok_count);
    else
      format(out, "{} passed; {} skipped; {} failed.\n", ok_count, skip_count, fail_count);
    if (logged != 0) format(out, "{} errors were logged.\n", logged);
    if (leaks != 0) format(out, "{} tests leaked memory.\n", leaks);
    if (fuzz_count != 0) format(out, "{} fuzz tests found.\n", fuzz_count);
  }
  return (leaks != 0 || logged != 0 || fail_count != 0) ? 1 : 0;
}

}  // namespace zevra_harness::detail

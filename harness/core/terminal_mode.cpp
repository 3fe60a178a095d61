#include "zevra_harness/main.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "harness/core/arena.hpp"
#include "harness/core/command_line.hpp"
#include "harness/allocator/debug_allocator.hpp"
#include "harness/core/failure_trace.hpp"
#include "harness/diagnostics/fatal.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/print.hpp"
#include "harness/progress/progress.hpp"
#include "harness/core/runner_arena.hpp"
#include "harness/core/session.hpp"

namespace zevra_harness {
namespace {

// Copies the arguments (pointer array and texts) into the arena, so that
// parsing works on the runner's own storage.
const char* const* copyArguments(Arena& arena, int argc, char** argv) {
  auto count = static_cast<std::size_t>(argc);
  auto** copies = static_cast<const char**>(arena.alloc(count * sizeof(char*), alignof(char*)));
  if (copies == nullptr && count != 0) fatal("unable to parse command line args");
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t len = std::strlen(argv[i]) + 1;
    auto* text = static_cast<char*>(arena.alloc(len));
    if (text == nullptr) fatal("unable to parse command line args");
    std::memcpy(text, argv[i], len);
    copies[i] = text;
  }
  return copies;
}

}  // namespace

int runMain(Registry registry, int argc, char** argv) {
  startUp();
  Arena& arena = runnerArena();
  const char* const* args = copyArguments(arena, argc, argv);
  auto options = parseCommandLine(argc, args);
  if (!options) fatal(options.error());
  setRandomSeed(options->seed);
  bool listen = options->listen;
  arena.reset();
  if (listen) {
    (void)mainServer(registry);
    fatal("internal test runner failure");
  }
  return mainTerminal(registry);
}

int mainTerminal(Registry registry) {
  const std::size_t n = registry.size();
  progress::start("Test", n);
  const bool have_tty = ::isatty(2) == 1;
  std::size_t ok_count = 0, skip_count = 0, fail_count = 0, leaks = 0, fuzz_count = 0;

  for (std::size_t i = 0; i < n; ++i) {
    const TestFn& test = registry[i];
    installFreshAllocator();
    setLogLevel(Level::warn);
    progress::itemBegin(test.name);
    if (!have_tty) print("{}/{} {}...", i + 1, n, test.name);
    setFuzzTest(false);
    Status status = test.func();
    if (isFuzzTest()) ++fuzz_count;
    if (status) {
      ++ok_count;
      progress::itemEnd();
      if (!have_tty) {
        // Sent with whatever is printed next (a leak report, the next test's
        // line or the summary): one write per test instead of two.
        StderrLock lock;
        deferToNextPrint("OK\n");
      }
    } else if (status.error() == Skip) {
      ++skip_count;
      if (have_tty) print("{}/{} {}...SKIP\n", i + 1, n, test.name);
      else print("SKIP\n");
      traceClear();
      progress::itemEnd();
    } else {
      ++fail_count;
      {
        StderrLock lock;
        Buffer out;
        if (have_tty) format(out, "{}/{} {}...FAIL ({})\n", i + 1, n, test.name, status.error().name);
        else format(out, "FAIL ({})\n", status.error().name);
        appendFailureTrace(out);
      }
      traceClear();
      progress::itemEnd();
    }
    if (allocatorInstance().deinit() == DebugAllocator::Check::leak) ++leaks;
  }
  progress::end();

  {
    StderrLock lock;
    Buffer out;
    if (ok_count == n) format(out, "All {} tests passed.\n", ok_count);
    else format(out, "{} passed; {} skipped; {} failed.\n", ok_count, skip_count, fail_count);
    if (logErrCount() != 0) format(out, "{} errors were logged.\n", logErrCount());
    if (leaks != 0) format(out, "{} tests leaked memory.\n", leaks);
    if (fuzz_count != 0) format(out, "{} fuzz tests found.\n", fuzz_count);
  }
  return (leaks != 0 || logErrCount() != 0 || fail_count != 0) ? 1 : 0;
}

}  // namespace zevra_harness

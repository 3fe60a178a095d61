// Unit tests of the harness's pieces: float text, seed syntax, command line,
// approximate equality, the arena, stack traces and the run of one test.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "harness/portable/core/arena.hpp"
#include "harness/portable/core/command_line.hpp"
#include "harness/portable/core/registry_check.hpp"
#include "harness/portable/core/session.hpp"
#include "harness/portable/core/test_run.hpp"
#include "harness/portable/diagnostics/float_text.hpp"
#include "harness/portable/diagnostics/output_buffer.hpp"
#include "harness/portable/platform/stack_trace.hpp"
#include "harness/posix/demangle.hpp"
#include "harness/posix/signal_trace.hpp"
#include "harness/posix/stack_mapping.hpp"
#include "zevra_harness/main.hpp"

namespace {

using namespace zevra_harness;
using namespace zevra_harness::detail;

template <typename F>
Status expectText(F v, std::string_view want) {
  char buf[kFloatTextMax];
  return expect(std::string_view(buf, floatText(v, buf)) == want);
}

Status floatTextForms() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  ZEVRA_TRY(expectText(1.0, "1e0"));
  ZEVRA_TRY(expectText(0.5, "5e-1"));
  ZEVRA_TRY(expectText(1e-6, "1e-6"));
  ZEVRA_TRY(expectText(123.5, "1.235e2"));
  ZEVRA_TRY(expectText(1.5, "1.5e0"));
  ZEVRA_TRY(expectText(0.0, "0e0"));
  ZEVRA_TRY(expectText(-0.0, "-0e0"));
  ZEVRA_TRY(expectText(inf, "inf"));
  ZEVRA_TRY(expectText(-inf, "-inf"));
  ZEVRA_TRY(expectText(std::nan(""), "nan"));
  ZEVRA_TRY(expectText(-std::nan(""), "-nan"));
  ZEVRA_TRY(expectText(1e300, "1e300"));
  ZEVRA_TRY(expectText(-2.5e-300, "-2.5e-300"));
  ZEVRA_TRY(expectText(5e-324, "5e-324"));
  ZEVRA_TRY(expectText(0.1, "1e-1"));
  ZEVRA_TRY(expectText(1e10, "1e10"));
  // f32 values print with f32 digits, never widened.
  ZEVRA_TRY(expectText(0.1f, "1e-1"));
  ZEVRA_TRY(expectText(static_cast<double>(0.1f), "1.0000000149011612e-1"));
  ZEVRA_TRY(expectText(3.4028235e38f, "3.4028235e38"));
  ZEVRA_TRY(expectText(1.0e-45f, "1e-45"));
  return {};
}

// splitmix64: a small deterministic generator for property tests.
std::uint64_t nextRandom(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  return z ^ (z >> 31);
}

// The text reads back as the same value, and one digit fewer never does.
template <typename F>
Status roundTripsMinimally(F v) {
  char buf[kFloatTextMax];
  std::size_t len = floatText(v, buf);
  F back{};
  auto [end, ec] = std::from_chars(buf, buf + len, back);
  ZEVRA_TRY(expect(ec == std::errc{} && end == buf + len));
  using Bits = std::conditional_t<sizeof(F) == 8, std::uint64_t, std::uint32_t>;
  ZEVRA_TRY(expect(std::bit_cast<Bits>(back) == std::bit_cast<Bits>(v)));
  std::string_view text(buf, len);
  std::size_t digits = 0;
  for (char c : text.substr(0, text.find('e')))
    if (c >= '0' && c <= '9') ++digits;
  if (digits > 1) {
    // The correctly rounded shorter string is the best candidate of its length.
    char shorter[64];
    auto r = std::to_chars(shorter, shorter + sizeof shorter, v, std::chars_format::scientific,
                           static_cast<int>(digits) - 2);
    F reread{};
    std::from_chars(shorter, r.ptr, reread);
    ZEVRA_TRY(expect(reread != v));
  }
  return {};
}

Status floatTextProperties() {
  std::uint64_t state = 0x5eed ^ randomSeed();
  for (int i = 0; i < 100000; ++i) {
    std::uint64_t bits = nextRandom(state);
    auto d = std::bit_cast<double>(bits);
    auto f = std::bit_cast<float>(static_cast<std::uint32_t>(bits >> 32));
    if (std::isfinite(d)) ZEVRA_TRY(roundTripsMinimally(d));
    if (std::isfinite(f)) ZEVRA_TRY(roundTripsMinimally(f));
  }
  for (double d : {std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::max(),
                   std::nextafter(std::numeric_limits<double>::min(), 0.0), 9007199254740993.0})
    ZEVRA_TRY(roundTripsMinimally(d));
  for (float f : {std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
                  std::numeric_limits<float>::denorm_min(), 16777217.0f, 0.3f})
    ZEVRA_TRY(roundTripsMinimally(f));
  return {};
}

Status seedSyntax() {
  ZEVRA_TRY(expect(parseSeed("0") == 0u));
  ZEVRA_TRY(expect(parseSeed("0x10") == 16u));
  ZEVRA_TRY(expect(parseSeed("0X1f") == 31u));
  ZEVRA_TRY(expect(parseSeed("0B101") == 5u));
  ZEVRA_TRY(expect(parseSeed("0o17") == 15u));
  ZEVRA_TRY(expect(parseSeed("1_000") == 1000u));
  ZEVRA_TRY(expect(parseSeed("0x_f") == std::nullopt));
  ZEVRA_TRY(expect(parseSeed("1__0") == 10u));
  ZEVRA_TRY(expect(parseSeed("4294967295") == 4294967295u));
  ZEVRA_TRY(expect(parseSeed("0xffffffff") == 4294967295u));
  ZEVRA_TRY(expect(parseSeed("00") == 0u));
  // "0b" alone is two characters long, so it is read in base 10 and refused.
  for (std::string_view bad : {"", "_1", "1_", "-1", "+1", "0x", "0b", "4294967296", "0x100000000",
                               "99999999999999999999", "12a", "0b2", "0o8", " 1"}) {
    ZEVRA_TRY(expect(parseSeed(bad) == std::nullopt));
  }
  return {};
}

Status commandLine() {
  {
    const char* argv[] = {"prog"};
    auto o = parseCommandLine(1, argv);
    ZEVRA_TRY(expect(o.has_value() && !o->listen && o->seed == 0));
  }
  {
    const char* argv[] = {"prog", "--seed=5", "--cache-dir=/tmp/x", "--listen=-", "--seed=0x10"};
    auto o = parseCommandLine(5, argv);
    ZEVRA_TRY(expect(o.has_value() && o->listen && o->seed == 16 && o->cache_dir == "/tmp/x"));
  }
  for (const char* bad :
       {"--listen", "--listen=", "--listen=x", "--cache-dir", "--seed", "-x", ""}) {
    const char* argv[] = {"prog", bad};
    auto o = parseCommandLine(2, argv);
    ZEVRA_TRY(expect(!o && o.error() == "unrecognized command line argument"));
  }
  {
    const char* argv[] = {"prog", "--listen=-", "--seed=-1", "--bogus"};
    auto o = parseCommandLine(4, argv);
    ZEVRA_TRY(expect(!o && o.error() == "unable to parse --seed command line argument"));
  }
  return {};
}

Status approxRules() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  ZEVRA_TRY(expect(approxEqAbs(0.0, -0.0, 0.0)));
  ZEVRA_TRY(expect(approxEqAbs(inf, inf, 0.0)));
  ZEVRA_TRY(expect(approxEqAbs(1.0, 1.0 + 1e-7, 1e-6)));
  ZEVRA_TRY(expect(!approxEqAbs(nan, nan, inf)));
  ZEVRA_TRY(expect(!approxEqAbs(1.0, nan, inf)));
  ZEVRA_TRY(expect(!approxEqAbs(inf, -inf, 1e300)));
  ZEVRA_TRY(expect(approxEqAbs(inf, -inf, inf)));
  ZEVRA_TRY(expect(!approxEqAbs(1.0, std::nextafter(1.0, 2.0), 0.0)));
  ZEVRA_TRY(expect(approxEqAbs(1.0, 1.5, 0.5)));
  // f32 differences are rounded to f32.
  ZEVRA_TRY(expect(approxEqAbs(1.0f, 1.0f + 5e-8f, 0.0f)));
  ZEVRA_TRY(expect(!approxEqAbs(1.0f, 1.0000001f, 0.0f)));
  return {};
}

Status arenaRules() {
  alignas(16) std::array<std::byte, 64> storage{};
  Arena arena(storage);
  void* a = arena.alloc(10);
  void* b = arena.alloc(8, 8);
  ZEVRA_TRY(expect(a == storage.data() && b == storage.data() + 16));
  ZEVRA_TRY(expect(!arena.resize(a, 12)));  // only the latest can grow
  ZEVRA_TRY(expect(arena.resize(b, 48) && arena.used() == 64));
  ZEVRA_TRY(expect(!arena.resize(b, 49)));
  ZEVRA_TRY(expect(arena.alloc(1) == nullptr));
  arena.free(a);  // not the latest: kept
  ZEVRA_TRY(expect(arena.used() == 64));
  arena.free(b);
  ZEVRA_TRY(expect(arena.used() == 10));
  arena.reset();
  ZEVRA_TRY(expect(arena.used() == 0 && arena.alloc(64) == storage.data()));
  return {};
}

// The runner raised the soft stack limit to 16 MiB (or the hard limit).
Status stackLimitRaised() {
  rlimit lim;
  ZEVRA_TRY(expect(getrlimit(RLIMIT_STACK, &lim) == 0));
  constexpr rlim_t want = 16777216;
  if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max < want)
    return expect(lim.rlim_cur == lim.rlim_max);
  return expect(lim.rlim_cur == RLIM_INFINITY || lim.rlim_cur >= want);
}

// SIGPIPE is caught by a handler (not ignored, so children do not inherit
// it): a write to a closed pipe fails with EPIPE instead of killing us.
Status brokenPipeIsAnError() {
  struct sigaction current {};
  ZEVRA_TRY(expect(sigaction(SIGPIPE, nullptr, &current) == 0));
  ZEVRA_TRY(expect(current.sa_handler != SIG_IGN && current.sa_handler != SIG_DFL));
  int fds[2];
  ZEVRA_TRY(expect(pipe(fds) == 0));
  close(fds[0]);
  ssize_t n = write(fds[1], "x", 1);
  int err = errno;
  close(fds[1]);
  return expect(n == -1 && err == EPIPE);
}

// A deep stack keeps its 16 innermost and 16 outermost frames in order and
// counts the rest; a shallow one keeps all.
Status stackCaptureEnds() {
  for (std::size_t total : {0u, 5u, 16u, 17u, 32u, 33u, 1000u}) {
    StackCapture capture;
    for (std::uintptr_t pc = 0; pc < total; ++pc) capture.add(pc);
    std::uintptr_t room[StackCapture::kKept];
    const TraceView inner = capture.innermost(), outer = capture.outermost(room);
    ZEVRA_TRY(expect(inner.frames.size() + outer.frames.size() + capture.leftOut() == total));
    for (std::size_t i = 0; i < inner.frames.size(); ++i) ZEVRA_TRY(expect(inner.frames[i] == i));
    for (std::size_t i = 0; i < outer.frames.size(); ++i)
      ZEVRA_TRY(expect(outer.frames[i] == total - outer.frames.size() + i));
    ZEVRA_TRY(expect(inner.frames.size() == std::min<std::size_t>(total, 16)));
    ZEVRA_TRY(
        expect(outer.frames.size() == std::min<std::size_t>(total - inner.frames.size(), 16)));
  }
  return {};
}

// A signal handler's bound of a thread's stack, read from the memory map, is
// where the thread library says the stack ends.
Status stackMappingOfAThread() {
  std::uintptr_t mapped = 0, told = 1;
  std::thread([&] {
    int local = 0;
    mapped = stackMappingEnd(reinterpret_cast<std::uintptr_t>(&local));
    told = threadStackEnd();
  }).join();
  ZEVRA_TRY(expect(mapped == told));
  return expect(stackMappingEnd(0) == 0);
}

std::string_view demangled(const char* name, bool in_signal_handler) {
  static char storage[512];
  OutputBuffer out(storage, OutputBuffer::kNoDescriptor);
  appendDemangled(out, name, in_signal_handler);
  return out.text();
}

// A signal handler gets the demangled name too where that needs no heap (the
// static C++ runtime), else the name as it is; other names pass unchanged.
Status demangling() {
  constexpr const char* mangled =
      "_ZN13zevra_harness5fatalESt17basic_string_viewIcSt11char_traitsIcEE";
  constexpr std::string_view readable =
      "zevra_harness::fatal(std::basic_string_view<char, std::char_traits<char> >)";
  ZEVRA_TRY(expect(demangled(mangled, false) == readable));
  const std::string_view in_handler = demangled(mangled, true);
  ZEVRA_TRY(expect(in_handler == readable || in_handler == mangled));
  for (const char* plain : {"main", "d", "_Zbogus", "__libc_start_call_main"})
    for (bool in_signal_handler : {false, true})
      ZEVRA_TRY(expect(demangled(plain, in_signal_handler) == plain));
  return {};
}

// Tests for the runs below, and what a reporter saw of each.
Status passesQuietly() { return {}; }
Status skipsQuietly() { return skip(); }
Status failsQuietly() { return fail(OutOfMemory); }
Status leaksTwice() {
  (void)allocator().allocate(8);
  (void)allocator().allocate(5000);
  return {};
}
Status logsTwoErrorsAndFails() {
  log(Level::err, "test", "one");
  log(Level::err, "test", "two");
  return expect(false);
}
Status declaresFuzz() {
  declareFuzzTest();
  return {};
}
Status lowersThreshold() {
  setLogLevel(Level::err);
  return {};
}
Status sleeps() {
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  return {};
}

class Recorder final : public Reporter {
 public:
  void testStarts() override { level_at_start = logLevel(); }
  void testReturned(const Status&) override { trace_at_return = traceText().size(); }
  static std::string_view traceText() {
    static char storage[512];
    OutputBuffer out(storage, OutputBuffer::kNoDescriptor);
    session().failure_trace.append(out);
    return out.text();
  }
  Level level_at_start = Level::debug;
  std::size_t trace_at_return = 0;
};

// Standard error to /dev/null while the runs below log their errors on purpose.
class Quiet {
 public:
  Quiet() : saved_(::dup(2)) {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::close(null);
  }
  ~Quiet() {
    ::dup2(saved_, 2);
    ::close(saved_);
  }

 private:
  int saved_;
};

// One run of a test as a value, under both policies. Runs nested in this
// test reset what it shares with them; it restores the run's count and
// threshold at the end.
Status oneRunAsAValue() {
  Session& s = session();
  const std::size_t errors_before = s.log_err_count;
  using O = TestRun::Outcome;
  struct Case {
    TestFn test;
    O outcome;
    Error error;
    bool leaked;
    std::size_t errors;
    bool fuzz;
  };
  const auto cases = std::to_array<Case>({
      {{"passes", &passesQuietly}, O::success, {}, false, 0, false},
      {{"skips", &skipsQuietly}, O::skip, {}, false, 0, false},
      {{"fails", &failsQuietly}, O::failure, OutOfMemory, false, 0, false},
      {{"leaks twice", &leaksTwice}, O::success, {}, true, 2, false},
      {{"logs two errors and fails", &logsTwoErrorsAndFails},
       O::failure,
       TestUnexpectedResult,
       false,
       2,
       false},
      {{"declares itself a fuzz test", &declaresFuzz}, O::success, {}, false, 0, true},
  });
  Quiet quiet;
  for (const RunPolicy& policy : {kTerminalPolicy, kProtocolPolicy}) {
    s.log_err_count = errors_before;
    for (const Case& c : cases) {
      Recorder seen;
      const TestRun run = runOne(c.test, policy, seen);
      ZEVRA_TRY(expect(run.outcome == c.outcome && run.error == c.error && run.leaked == c.leaked &&
                       run.log_err_count == c.errors && run.fuzz == c.fuzz));
      // The trace is there for the reporter of a failure, and gone after.
      ZEVRA_TRY(expect((seen.trace_at_return != 0) == (c.outcome == O::failure)));
      ZEVRA_TRY(expect(Recorder::traceText().empty()));
    }
    // Terminal mode counts over the run, protocol mode per test.
    ZEVRA_TRY(expect(s.log_err_count == (policy.count_errors_per_test ? 0 : errors_before + 4)));

    // A lowered threshold lasts into the next test in protocol mode only.
    Recorder first, second;
    (void)runOne({"lowers the threshold", &lowersThreshold}, policy, first);
    (void)runOne({"passes", &passesQuietly}, policy, second);
    ZEVRA_TRY(expect(second.level_at_start == (policy.reset_log_level ? Level::warn : Level::err)));
  }
  Recorder seen;
  RunPolicy timed = kTerminalPolicy;
  timed.time_the_call = true;
  const TestRun slow = runOne({"sleeps", &sleeps}, timed, seen);
  ZEVRA_TRY(expect(slow.duration >= std::chrono::milliseconds(3)));
  s.log_err_count = errors_before;
  return {};
}

// The start-up check finds a name registered twice wherever the two stand,
// in a registry of a few tests (a table on the stack) and of many (in pages).
Status duplicateNames() {
  static std::array<std::string, 300> names;
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = "many.test." + std::to_string(i);
  std::vector<TestFn> many;
  for (const std::string& n : names) many.push_back({n, &passesQuietly});
  struct Case {
    std::size_t count, first, second;  // the second takes the first's name, if they differ
  };
  for (Case c : {Case{0, 0, 0}, Case{1, 0, 0}, Case{2, 0, 1}, Case{128, 3, 127}, Case{129, 5, 5},
                 Case{129, 128, 0}, Case{300, 0, 0}, Case{300, 17, 299}, Case{300, 298, 299}}) {
    std::vector<TestFn> registry(many.begin(), many.begin() + static_cast<long>(c.count));
    if (c.first != c.second) registry[c.second].name = registry[c.first].name;
    const auto found = duplicateName(registry);
    if (c.first == c.second)
      ZEVRA_TRY(expect(!found.has_value()));
    else
      ZEVRA_TRY(expectEqual(found.value_or("none"), names[c.first]));
  }
  return {};
}

constexpr auto tests = std::to_array<TestFn>({
    {"harness.test.float text form", &floatTextForms},
    {"harness.test.float text reads back and is shortest", &floatTextProperties},
    {"harness.test.seed number syntax", &seedSyntax},
    {"harness.test.command line", &commandLine},
    {"harness.test.approxEqAbs rules", &approxRules},
    {"harness.test.arena", &arenaRules},
    {"harness.test.start-up raises the stack limit", &stackLimitRaised},
    {"harness.test.a broken pipe is an error, not a signal", &brokenPipeIsAnError},
    {"harness.test.stack capture keeps both ends", &stackCaptureEnds},
    {"harness.test.stack mapping of a thread", &stackMappingOfAThread},
    {"harness.test.demangling", &demangling},
    {"harness.test.one run of a test as a value", &oneRunAsAValue},
    {"harness.test.duplicate names", &duplicateNames},
});

}  // namespace

int main(int argc, char** argv) { return runMain(tests, argc, argv); }

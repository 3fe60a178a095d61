#pragma once
// What one run of one test came to, as the client saw it: the server's result
// word, or the server's death, silence or breach of the protocol while the
// test ran.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace zevra_test {

// The one word of a run's outcome line; a run that is several of these at
// once (a failure that also leaked) gets the first that applies of crash,
// timeout, broken, fail, leak, errors, skip, ok.
enum class Verdict : std::uint8_t { ok, skip, fail, leak, errors, crash, timeout, broken };
inline constexpr std::size_t kVerdicts = 8;

// How a server process ended, from its wait status.
struct Ending {
  bool exited = false;  // else killed by `signal`
  int status = 0;
  int signal = 0;
};
// "exit status 3", "SIGSEGV".
std::string describeEnding(const Ending& e);

struct RunResult {
  std::uint32_t index = 0;  // in the registry
  Verdict verdict = Verdict::ok;
  bool leaked = false;
  std::uint32_t errors_logged = 0;
  // Of a crash: how the server ended ("SIGSEGV", "exit status 3"); of a
  // breakdown: what the server did ("wrote to standard output: ...").
  std::string ending;
  std::chrono::nanoseconds duration{};
  std::string stderr_text;  // what the server wrote to standard error during the run
  std::string error_name;   // of a failure, when the server named it
  std::string message;      // of a failure: the first line the test printed, if any
};

// From a test_results word.
RunResult resultFromFlags(std::uint32_t index, std::uint32_t flags);

// Ok and skip; every other verdict makes the run fail.
constexpr bool passed(Verdict v) { return v == Verdict::ok || v == Verdict::skip; }
// The verdicts that are the server's doing rather than the test's outcome
// (JUnit's error rather than failure).
constexpr bool serverFault(Verdict v) {
  return v == Verdict::crash || v == Verdict::timeout || v == Verdict::broken;
}

std::string_view verdictWord(Verdict v);

// A failure's error name, on the line "FAIL (Name)" that a server asked for
// names writes before the trace, moves from `stderr_text` to `error_name`,
// and the first line before it to `message`.
void takeErrorName(RunResult& r);

// What a crash is named by: how the process ended, refined by the hardware
// fault that the harness's fault handler reported at the start of a line of
// standard error ("Segmentation fault at address 0x0" is SIGSEGV) only when
// the process then ended by the abort that follows such a report.
std::string crashCause(const Ending& ending, std::string_view stderr_text);

// What the verdict's word does not say: "leaked, 2 errors logged", "SIGSEGV";
// empty when there is nothing more.
std::string resultDetails(const RunResult& r);

}  // namespace zevra_test

#pragma once
// What one run of one test came to, as the client saw it: the server's result
// word, or the server's death or silence while the test ran.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace zevra_test {

// The one word of a run's outcome line; a run that is several of these at
// once (a failure that also leaked) gets the first that applies of crash,
// timeout, fail, leak, errors, skip, ok.
enum class Verdict : std::uint8_t { ok, skip, fail, leak, errors, crash, timeout };

struct RunResult {
  std::uint32_t index = 0;  // in the registry
  Verdict verdict = Verdict::ok;
  bool leaked = false;
  std::uint32_t errors_logged = 0;
  std::string ending;  // of a crashed server: "SIGSEGV", "exit status 3"
  std::chrono::nanoseconds duration{};
  std::string stderr_text;  // what the server wrote to standard error during the run
  std::string error_name;   // of a failure, when the server named it
  std::string message;      // of a failure: the first line the test printed, if any
};

// From a test_results word.
RunResult resultFromFlags(std::uint32_t index, std::uint32_t flags);

// Ok and skip; every other verdict makes the run fail.
constexpr bool passed(Verdict v) { return v == Verdict::ok || v == Verdict::skip; }

std::string_view verdictWord(Verdict v);

// Keeps what the server wrote during the run. A failure's error name, on
// the line "FAIL (Name)" that a server asked for names writes before the
// trace, goes to `error_name` instead, and the first line before it to
// `message`.
void keepStderr(RunResult& r, std::string text);

// What a crash is named by: the hardware fault that the harness's fault
// handler reported on standard error before it aborted ("Segmentation fault
// at address 0x0" is SIGSEGV), or else how the process ended (`ending`).
std::string crashCause(std::string ending, std::string_view stderr_text);

// What the verdict's word does not say: "leaked, 2 errors logged", "SIGSEGV";
// empty when there is nothing more.
std::string resultDetails(const RunResult& r);

}  // namespace zevra_test

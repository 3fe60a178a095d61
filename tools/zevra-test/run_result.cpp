#include "run_result.hpp"

#include <signal.h>
#include <string.h>

#include <array>

#include "harness/base/wire.hpp"

namespace zevra_test {
namespace {

// The inverse of the harness's encodeResultFlags.
constexpr zevra_harness::ResultFlags decodeFlags(std::uint32_t word) {
  return {.fail = (word & 1u) != 0,
          .skip = (word & 2u) != 0,
          .leak = (word & 4u) != 0,
          .fuzz = (word & 8u) != 0,
          .log_err_count = word >> 4};
}
static_assert(zevra_harness::encodeResultFlags(decodeFlags(0xFFFFFFFFu)) == 0xFFFFFFFFu);
static_assert(zevra_harness::encodeResultFlags(decodeFlags(0x21u)) == 0x21u);
static_assert(zevra_harness::encodeResultFlags(decodeFlags(0x16u)) == 0x16u);

}  // namespace

RunResult resultFromFlags(std::uint32_t index, std::uint32_t word) {
  const zevra_harness::ResultFlags flags = decodeFlags(word);
  RunResult r;
  r.index = index;
  r.leaked = flags.leak;
  r.errors_logged = static_cast<std::uint32_t>(flags.log_err_count);
  if (flags.fail)
    r.verdict = Verdict::fail;
  else if (flags.leak)
    r.verdict = Verdict::leak;
  else if (flags.log_err_count != 0)
    r.verdict = Verdict::errors;
  else if (flags.skip)
    r.verdict = Verdict::skip;
  return r;
}

std::string_view verdictWord(Verdict v) {
  switch (v) {
    case Verdict::ok:
      return "ok";
    case Verdict::skip:
      return "skip";
    case Verdict::fail:
      return "fail";
    case Verdict::leak:
      return "leak";
    case Verdict::errors:
      return "errors";
    case Verdict::crash:
      return "crash";
    case Verdict::timeout:
      return "timeout";
    case Verdict::broken:
      return "broken";
  }
  return "?";
}

std::string describeEnding(const Ending& e) {
  if (e.exited) return "exit status " + std::to_string(e.status);
  const char* abbrev = ::sigabbrev_np(e.signal);
  return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(e.signal);
}

void takeErrorName(RunResult& r) {
  if (r.verdict != Verdict::fail) return;
  std::string& t = r.stderr_text;
  const auto isNameLine = [](std::string_view line) {
    constexpr std::string_view kWord =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    return line.size() > 7 && line.starts_with("FAIL (") && line.back() == ')' &&
           line.find_first_not_of(kWord, 6) == line.size() - 1;
  };
  // The last such line: the harness writes it after all the test printed.
  std::size_t found = std::string::npos, found_len = 0;
  for (std::size_t at = 0; at < t.size();) {
    const std::size_t newline = t.find('\n', at);
    const std::size_t end = newline == std::string::npos ? t.size() : newline;
    if (isNameLine(std::string_view(t).substr(at, end - at))) found = at, found_len = end - at;
    at = end + 1;
  }
  if (found == std::string::npos) return;
  r.error_name = t.substr(found + 6, found_len - 7);
  if (found != 0) r.message = t.substr(0, t.find('\n'));
  t.erase(found, found_len + (found + found_len < t.size() ? 1 : 0));
}

std::string crashCause(const Ending& ending, std::string_view stderr_text) {
  struct Fault {
    std::string_view report, signal;
  };
  constexpr std::array<Fault, 5> kFaults{{
      {"Segmentation fault at address ", "SIGSEGV"},
      {"General protection exception (no address available)", "SIGSEGV"},
      {"Illegal instruction at address ", "SIGILL"},
      {"Bus error at address ", "SIGBUS"},
      {"Arithmetic exception at address ", "SIGFPE"},
  }};
  if (!ending.exited && ending.signal == SIGABRT) {
    for (const Fault& f : kFaults) {
      for (auto at = stderr_text.find(f.report); at != std::string_view::npos;
           at = stderr_text.find(f.report, at + 1))
        if (at == 0 || stderr_text[at - 1] == '\n') return std::string(f.signal);
    }
  }
  return describeEnding(ending);
}

std::string resultDetails(const RunResult& r) {
  std::string text;
  const auto add = [&](const std::string& fact) { text += (text.empty() ? "" : ", ") + fact; };
  if (r.leaked && r.verdict != Verdict::leak) add("leaked");
  if (r.errors_logged != 0)
    add(std::to_string(r.errors_logged) + (r.errors_logged == 1 ? " error" : " errors") +
        " logged");
  if (!r.ending.empty()) add(r.ending);
  return text;
}

}  // namespace zevra_test

#include "junit.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "harness/base/utf8.hpp"

namespace zevra_test {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// XML 1.0's Char production.
constexpr bool xmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// In an attribute, white space other than the space is written as a
// character reference, or a parser would turn it into spaces.
void appendEscaped(std::string& out, std::string_view text, bool attribute) {
  while (!text.empty()) {
    const zevra_harness::Utf8Step step = zevra_harness::decodeUtf8(text, 0);
    const std::size_t len = step.length;
    if (!step.valid || !xmlChar(step.code)) {
      out += kReplacement;
      text.remove_prefix(len);
      continue;
    }
    switch (step.code) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += attribute ? "&quot;" : "\"";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out.append(text.substr(0, len));
    }
    text.remove_prefix(len);
  }
}

void attribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  appendEscaped(out, value, true);
  out += '"';
}

// Seconds to the microsecond, in integers: the client carries no
// floating-point formatting (its tables would share pages with start-up data).
std::string secondsText(std::chrono::nanoseconds d) {
  const std::int64_t us = (std::max<std::int64_t>(d.count(), 0) + 500) / 1000;
  return std::to_string(us / 1000000) + "." + std::to_string(1000000 + us % 1000000).substr(1);
}

struct Counts {
  std::uint64_t tests = 0, failures = 0, errors = 0, skipped = 0;
};

Counts countOf(const Tally& tally, bool with_cause) {
  Counts c;
  for (std::size_t v = 0; v < kVerdicts; ++v) {
    const auto verdict = static_cast<Verdict>(v);
    const std::uint64_t n = tally.counts[v];
    c.tests += n;
    c.skipped += verdict == Verdict::skip ? n : 0;
    c.errors += serverFault(verdict) ? n : 0;
    c.failures += !passed(verdict) && !serverFault(verdict) ? n : 0;
  }
  c.tests += with_cause ? 1 : 0;
  c.errors += with_cause ? 1 : 0;
  return c;
}

void suiteAttributes(std::string& out, std::string_view name, Counts c,
                     std::chrono::nanoseconds elapsed) {
  attribute(out, "name", name);
  attribute(out, "tests", std::to_string(c.tests));
  attribute(out, "failures", std::to_string(c.failures));
  attribute(out, "errors", std::to_string(c.errors));
  attribute(out, "skipped", std::to_string(c.skipped));
  attribute(out, "time", secondsText(elapsed));
}

void testcase(std::string& out, std::string_view full_name, const RunResult& r) {
  constexpr std::string_view kSeparator = ".test.";
  const std::size_t split = full_name.find(kSeparator);
  out += "    <testcase";
  if (split == std::string_view::npos) {
    attribute(out, "classname", "");
    attribute(out, "name", full_name);
  } else {
    attribute(out, "classname", full_name.substr(0, split));
    attribute(out, "name", full_name.substr(split + kSeparator.size()));
  }
  attribute(out, "time", secondsText(r.duration));
  if (r.verdict == Verdict::ok && r.stderr_text.empty()) {
    out += "/>\n";
    return;
  }
  out += ">\n";
  if (r.verdict == Verdict::skip) {
    out += "      <skipped/>\n";
  } else if (!passed(r.verdict)) {
    const bool error = serverFault(r.verdict);
    const std::string details = resultDetails(r);
    out += error ? "      <error" : "      <failure";
    attribute(out, "type", verdictWord(r.verdict));
    // A named failure: its error and the first line the test printed.
    std::string message = r.error_name.empty() ? std::string(verdictWord(r.verdict)) : r.error_name;
    if (!r.message.empty()) message += ": " + r.message;
    attribute(out, "message", message + (details.empty() ? "" : " (" + details + ")"));
    out += "/>\n";
  }
  if (!r.stderr_text.empty()) {
    out += "      <system-err>";
    appendEscaped(out, r.stderr_text, false);
    out += "</system-err>\n";
  }
  out += "    </testcase>\n";
}

}  // namespace

std::string junitHead(std::string_view suite, const Tally& tally, bool with_cause,
                      std::chrono::nanoseconds elapsed) {
  const Counts counts = countOf(tally, with_cause);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites";
  suiteAttributes(out, "zevra-test", counts, elapsed);
  out += ">\n  <testsuite";
  suiteAttributes(out, suite, counts, elapsed);
  out += ">";
  return out;
}

std::string junitTestcase(std::string_view full_name, const RunResult& r) {
  std::string out;
  testcase(out, full_name, r);
  return out;
}

std::string junitCause(std::string_view cause) {
  const std::string_view first_line = cause.substr(0, cause.find('\n'));
  std::string out = "    <testcase";
  attribute(out, "classname", "zevra-test");
  attribute(out, "name", "the run");
  attribute(out, "time", "0");
  out += ">\n      <error";
  attribute(out, "type", "zevra-test");
  attribute(out, "message", first_line);
  out += "/>\n      <system-err>";
  appendEscaped(out, cause, false);
  out += "</system-err>\n    </testcase>\n";
  return out;
}

}  // namespace zevra_test

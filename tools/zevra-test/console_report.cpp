#include "console_report.hpp"

#include <array>
#include <charconv>

namespace zevra_test {
namespace {

constexpr std::size_t kWordColumn = 8;  // "timeout" and a space

std::string millisecondsText(std::chrono::nanoseconds d) {
  std::array<char, 32> buf;
  const double ms = std::chrono::duration<double, std::milli>(d).count();
  const auto end =
      std::to_chars(buf.data(), buf.data() + buf.size(), ms, std::chars_format::fixed, 3).ptr;
  return std::string(buf.data(), end) + " ms";
}

}  // namespace

std::string outcomeBlock(const RunResult& r, std::string_view name) {
  std::string text(verdictWord(r.verdict));
  text.resize(kWordColumn, ' ');
  text += name;
  const std::string details = resultDetails(r);
  text += " (" + (details.empty() ? "" : details + ", ") + millisecondsText(r.duration) + ")\n";
  if (!passed(r.verdict) && !r.stderr_text.empty()) {
    text += r.stderr_text;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

std::string summaryLine(std::span<const RunResult> results, std::chrono::nanoseconds elapsed) {
  constexpr std::array kOrder{Verdict::ok,     Verdict::skip,  Verdict::fail,   Verdict::leak,
                              Verdict::errors, Verdict::crash, Verdict::timeout};
  std::array<std::size_t, kOrder.size()> counts{};
  for (const RunResult& r : results) ++counts[static_cast<std::size_t>(r.verdict)];
  std::string text = std::to_string(results.size()) + (results.size() == 1 ? " test" : " tests") +
                     " in " + millisecondsText(elapsed) + ":";
  bool first = true;
  for (Verdict v : kOrder) {
    const std::size_t n = counts[static_cast<std::size_t>(v)];
    if (n == 0 && v != Verdict::ok) continue;
    text += (first ? " " : ", ") + std::to_string(n) + " " + std::string(verdictWord(v));
    first = false;
  }
  return text + "\n";
}

}  // namespace zevra_test

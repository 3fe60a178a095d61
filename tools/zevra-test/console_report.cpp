#include "console_report.hpp"

#include <algorithm>
#include <array>
#include <charconv>

#include "names.hpp"

namespace zevra_test {
namespace {

constexpr std::size_t kWordColumn = 8;  // "timeout" and a space

// "1.234 ms", to the microsecond, in integers: no floating-point formatting
// to load at start-up.
void appendMilliseconds(std::string& out, std::chrono::nanoseconds d) {
  const std::int64_t us = (std::max<std::int64_t>(d.count(), 0) + 500) / 1000;
  std::array<char, 32> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), us / 1000).ptr;
  out.append(digits.data(), end);
  const auto frac = static_cast<int>(us % 1000);
  out += '.';
  out += static_cast<char>('0' + frac / 100);
  out += static_cast<char>('0' + frac / 10 % 10);
  out += static_cast<char>('0' + frac % 10);
  out += " ms";
}

}  // namespace

std::uint64_t Tally::total() const {
  std::uint64_t n = 0;
  for (std::uint64_t c : counts) n += c;
  return n;
}

bool Tally::allPassed() const { return total() == of(Verdict::ok) + of(Verdict::skip); }

std::string outcomeBlock(const RunResult& r, std::string_view name) {
  std::string text;
  text.reserve(kWordColumn + name.size() + 16);
  text += verdictWord(r.verdict);
  text.resize(kWordColumn, ' ');
  text += escapeName(name);
  text += " (";
  if (const std::string details = resultDetails(r); !details.empty()) {
    text += details;
    text += ", ";
  }
  appendMilliseconds(text, r.duration);
  text += ")\n";
  if (!passed(r.verdict) && !r.stderr_text.empty()) {
    text += r.stderr_text;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

std::string summaryLine(const Tally& tally, std::chrono::nanoseconds elapsed) {
  constexpr std::array kOrder{Verdict::ok,     Verdict::skip,  Verdict::fail,    Verdict::leak,
                              Verdict::errors, Verdict::crash, Verdict::timeout, Verdict::broken};
  const std::uint64_t total = tally.total();
  std::string text = std::to_string(total) + (total == 1 ? " test" : " tests") + " in ";
  appendMilliseconds(text, elapsed);
  text += ':';
  bool first = true;
  for (Verdict v : kOrder) {
    const std::uint64_t n = tally.of(v);
    if (n == 0 && v != Verdict::ok) continue;
    text += (first ? " " : ", ") + std::to_string(n) + " " + std::string(verdictWord(v));
    first = false;
  }
  return text + "\n";
}

}  // namespace zevra_test

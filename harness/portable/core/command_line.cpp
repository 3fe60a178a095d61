#include "harness/portable/core/command_line.hpp"

namespace zevra_harness::detail {

namespace {

// The base a "0b", "0o" or "0x" prefix names; 10 for any other letter.
constexpr unsigned prefixBase(char letter) {
  switch (letter | 0x20) {  // either case
    case 'b':
      return 2;
    case 'o':
      return 8;
    case 'x':
      return 16;
    default:
      return 10;
  }
}

// The value of one digit of any base up to 36; 36 for what is no digit.
constexpr unsigned digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a') + 10;
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A') + 10;
  return 36;
}

}  // namespace

std::optional<std::uint32_t> parseSeed(std::string_view text) {
  if (text.empty()) return std::nullopt;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0') {
    base = prefixBase(text[1]);
    if (base != 10) text.remove_prefix(2);
  }
  if (text.front() == '_' || text.back() == '_') return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c == '_') continue;
    const unsigned digit = digitValue(c);
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::expected<Options, CommandLineError> parseCommandLine(int argc, const char* const* argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--listen=-") {
      options.listen = true;
    } else if (arg.starts_with("--seed=")) {
      auto seed = parseSeed(arg.substr(7));
      if (!seed) return std::unexpected("unable to parse --seed command line argument");
      options.seed = *seed;
    } else if (arg.starts_with("--cache-dir=")) {
      options.cache_dir = arg.substr(12);
    } else {
      return std::unexpected("unrecognized command line argument");
    }
  }
  return options;
}

}  // namespace zevra_harness::detail

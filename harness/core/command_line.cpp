#include "harness/core/command_line.hpp"

namespace zevra_harness {

std::optional<std::uint32_t> parseSeed(std::string_view text) {
  if (text.empty()) return std::nullopt;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0') {
    switch (text[1]) {
      case 'b': case 'B': base = 2; break;
      case 'o': case 'O': base = 8; break;
      case 'x': case 'X': base = 16; break;
      default: break;
    }
    if (base != 10) text.remove_prefix(2);
  }
  if (text.front() == '_' || text.back() == '_') return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c == '_') continue;
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'z') digit = static_cast<unsigned>(c - 'a') + 10;
    else if (c >= 'A' && c <= 'Z') digit = static_cast<unsigned>(c - 'A') + 10;
    else return std::nullopt;
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

}  // namespace zevra_harness

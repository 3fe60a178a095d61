#pragma once
// The command line: "--listen=-", "--seed=N", "--cache-dir=PATH"; anything
// else is refused.

#include <cstdint>
#include <optional>
#include <string_view>

#include "zevra/expected.hpp"

namespace zevra_harness::detail {

struct Options {
  bool listen = false;
  std::uint32_t seed = 0;
  std::string_view cache_dir;  // accepted and recorded; this build cannot fuzz
};

// Decimal by default; "0b"/"0o"/"0x" (either case) select base 2, 8 or 16;
// single underscores may stand between digits; no sign; at most 2^32 - 1.
std::optional<std::uint32_t> parseSeed(std::string_view text);

// The fatal-stop message for a refused command line.
using CommandLineError = std::string_view;

std::expected<Options, CommandLineError> parseCommandLine(int argc, const char* const* argv);

}  // namespace zevra_harness::detail

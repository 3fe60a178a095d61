#pragma once
// zevra-test's command line: what to run, how, and where to report it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zevra/expected.hpp"

namespace zevra_test {

struct Shard {
  std::uint32_t index = 1;  // 1 to count
  std::uint32_t count = 1;
};

struct Options {
  bool help = false;
  bool list = false;
  std::vector<std::string> filters;   // a test runs if any matches (or there are none)
  std::vector<std::string> excludes;  // and none of these matches
  std::vector<std::string> exact;     // full names; each must name a registered test
  std::optional<Shard> shard;
  std::optional<std::uint64_t> shuffle_seed;
  std::uint32_t repeat = 1;
  std::uint32_t jobs = 1;
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
  std::string junit_path;
  std::string executable;
};

// The arguments after the program name. The error is one line naming the
// argument at fault.
std::expected<Options, std::string> parseCommandLine(std::span<const char* const> args);

extern const std::string_view kHelpText;

}  // namespace zevra_test

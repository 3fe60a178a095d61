#pragma once
// The log sink: "[scope] (level): message\n" on standard error for a level at
// or above the threshold (see logLevel in "zevra_harness/testing.hpp"); every
// `err` message is counted, printed or not, and fails the run.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "zevra_harness/print.hpp"

namespace zevra_harness {

enum class Level : std::uint8_t { err = 0, warn = 1, info = 2, debug = 3 };

constexpr std::string_view levelName(Level l) {
  switch (l) {
    case Level::err:
      return "err";
    case Level::warn:
      return "warn";
    case Level::info:
      return "info";
    case Level::debug:
      return "debug";
  }
  return "?";
}

namespace detail {
void logArgs(Level level, std::string_view scope, std::string_view fmt,
             std::span<const FormatArg> args);
}  // namespace detail

template <typename... Args>
void log(Level level, std::string_view scope, Format<std::type_identity_t<Args>...> fmt,
         const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  detail::logArgs(level, scope, fmt.text, list);
}

}  // namespace zevra_harness

#pragma once
// The log sink: "[scope] (level): message\n" on standard error for levels at
// or above the threshold; every `err` message is counted.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zevra_harness/print.hpp"

namespace zevra_harness {

enum class Level : std::uint8_t { err = 0, warn = 1, info = 2, debug = 3 };

constexpr std::string_view levelName(Level l) {
  switch (l) {
    case Level::err: return "err";
    case Level::warn: return "warn";
    case Level::info: return "info";
    case Level::debug: return "debug";
  }
  return "?";
}

// The threshold (default warn) and the count of err messages (saturating).
Level logLevel();
void setLogLevel(Level l);
std::size_t logErrCount();
void setLogErrCount(std::size_t n);
void countLoggedError();

template <typename... Args>
void log(Level level, std::string_view scope, Format<std::type_identity_t<Args>...> fmt,
         const Args&... args) {
  if (level == Level::err) countLoggedError();
  if (static_cast<std::uint8_t>(level) > static_cast<std::uint8_t>(logLevel())) return;
  StderrLock lock;
  Buffer out;
  format<std::string_view, std::string_view>(out, "[{}] ({}): ", scope, levelName(level));
  detail::appendFormatted(out, fmt.text, args...);
  out.append('\n');
}

}  // namespace zevra_harness

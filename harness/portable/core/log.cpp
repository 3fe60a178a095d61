#include "zevra_harness/log.hpp"

#include "harness/portable/core/session.hpp"
#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"

namespace zevra_harness::detail {

void logArgs(Level level, std::string_view scope, std::string_view fmt,
             std::span<const FormatArg> args) {
  Session& s = session();
  if (level == Level::err) s.countLoggedError();
  if (static_cast<std::uint8_t>(level) > static_cast<std::uint8_t>(s.log_level)) return;
  StderrLock lock;
  StderrBuffer out;
  format(out, "[{}] ({}): ", scope, levelName(level));
  formatArgs(out, fmt, args);
  out.append('\n');
}

}  // namespace zevra_harness::detail

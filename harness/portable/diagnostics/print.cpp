#include "zevra_harness/print.hpp"

#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"

namespace zevra_harness {

void TextSink::text(std::string_view s) { out_.append(s); }

void TextSink::printArgs(std::string_view fmt, std::span<const FormatArg> args) {
  detail::formatArgs(out_, fmt, args);
}

}  // namespace zevra_harness

namespace zevra_harness::detail {

void printArgs(std::string_view fmt, std::span<const FormatArg> args) {
  StderrLock lock;
  StderrBuffer out;
  formatArgs(out, fmt, args);
}

}  // namespace zevra_harness::detail

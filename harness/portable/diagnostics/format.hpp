#pragma once
// Formats (see "zevra_harness/print.hpp") written into a buffer, for the
// harness's own messages: the runner's lines, traces, reports.

#include <array>
#include <span>
#include <string_view>
#include <type_traits>

#include "harness/portable/diagnostics/output_buffer.hpp"
#include "zevra_harness/print.hpp"

namespace zevra_harness::detail {

// Appends `fmt` to `out`, each "{}" replaced by the next argument.
void formatArgs(OutputBuffer& out, std::string_view fmt, std::span<const FormatArg> args);

template <typename... Args>
void format(OutputBuffer& out, Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  formatArgs(out, fmt.text, list);
}

}  // namespace zevra_harness::detail

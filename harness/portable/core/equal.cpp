#include "zevra_harness/equal.hpp"

#include <array>

#include "harness/portable/diagnostics/output_buffer.hpp"

namespace zevra_harness::detail {

void printValue(TextSink& out, const QuotedText& q) {
  OutputBuffer& buffer = out.buffer();
  buffer.append(q.quote);
  buffer.appendEscaped(q.text, q.quote);
  buffer.append(q.quote);
}

void reportNotEqual(const FormatArg& actual, const FormatArg& expected) {
  const std::array<FormatArg, 2> args{actual, expected};
  printArgs("actual {}, expected {}\n", args);
}

}  // namespace zevra_harness::detail

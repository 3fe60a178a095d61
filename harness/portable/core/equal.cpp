#include "zevra_harness/equal.hpp"

#include <array>

#include "harness/base/utf8.hpp"
#include "harness/portable/diagnostics/output_buffer.hpp"

namespace zevra_harness::detail {

void printValue(TextSink& out, const QuotedText& q) {
  OutputBuffer& buffer = out.buffer();
  buffer.append(q.quote);
  const std::string_view text = q.text;
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Step step = decodeUtf8(text, at);
    if (step.valid && (step.code == '\\' || step.code == static_cast<unsigned char>(q.quote))) {
      buffer.append('\\');
      buffer.append(static_cast<char>(step.code));
    } else if (step.valid && step.code >= 0x20 && step.code != 0x7f) {
      buffer.append(text.substr(at, step.length));
    } else {
      const auto byte = static_cast<unsigned char>(text[at]);
      buffer.append(byte < 0x10 ? "\\x0" : "\\x");
      buffer.appendHex(byte);
    }
    at += step.length;  // 1 for a bad byte: each is escaped on its own
  }
  buffer.append(q.quote);
}

void reportNotEqual(const FormatArg& actual, const FormatArg& expected) {
  const std::array<FormatArg, 2> args{actual, expected};
  printArgs("actual {}, expected {}\n", args);
}

}  // namespace zevra_harness::detail

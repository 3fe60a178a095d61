#include "harness/portable/diagnostics/format.hpp"

#include "harness/portable/diagnostics/float_text.hpp"

namespace zevra_harness::detail {
namespace {

void appendArg(OutputBuffer& out, const FormatArg& a) {
  using Kind = FormatArg::Kind;
  char text[kFloatTextMax];
  switch (a.kind) {
    case Kind::unsigned_int:
      out.appendDecimal(a.integer);
      break;
    case Kind::signed_int:
      out.appendDecimal(static_cast<std::int64_t>(a.integer));
      break;
    case Kind::hex:
      out.appendHex(a.integer);
      break;
    case Kind::character:
      out.append(static_cast<char>(a.integer));
      break;
    case Kind::f64:
      out.append(std::string_view(text, floatText(a.f64, text)));
      break;
    case Kind::f32:
      out.append(std::string_view(text, floatText(a.f32, text)));
      break;
    case Kind::text:
      out.append(a.text);
      break;
    case Kind::other: {
      TextSink sink(out);
      a.write(sink, a.object);
      break;
    }
  }
}

}  // namespace

void formatArgs(OutputBuffer& out, std::string_view fmt, std::span<const FormatArg> args) {
  for (const FormatArg& a : args) {
    std::size_t hole = fmt.find("{}");
    out.append(fmt.substr(0, hole));
    appendArg(out, a);
    fmt.remove_prefix(hole + 2);
  }
  out.append(fmt);
}

}  // namespace zevra_harness::detail

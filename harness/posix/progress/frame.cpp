#include "harness/posix/progress/frame.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "harness/base/utf8.hpp"
#include "harness/portable/diagnostics/output_buffer.hpp"

namespace zevra_harness::detail::progress {
namespace {

struct Range {
  char32_t first, last;
};

// The common blocks only: a terminal with other tables may draw a rare
// character one column wider or narrower than counted here.
constexpr std::array<Range, 8> kZeroWidth{{
    {0x0300, 0x036f},
    {0x1ab0, 0x1aff},
    {0x1dc0, 0x1dff},
    {0x200b, 0x200f},
    {0x20d0, 0x20ff},
    {0xfe00, 0xfe0f},
    {0xfe20, 0xfe2f},
    {0xe0100, 0xe01ef},
}};
constexpr std::array<Range, 15> kWide{{
    {0x1100, 0x115f},
    {0x2e80, 0x303e},
    {0x3041, 0x33ff},
    {0x3400, 0x4dbf},
    {0x4e00, 0x9fff},
    {0xa000, 0xa4cf},
    {0xac00, 0xd7a3},
    {0xf900, 0xfaff},
    {0xfe30, 0xfe4f},
    {0xff00, 0xff60},
    {0xffe0, 0xffe6},
    {0x1f300, 0x1f64f},
    {0x1f900, 0x1f9ff},
    {0x20000, 0x2fffd},
    {0x30000, 0x3fffd},
}};

constexpr bool inAny(char32_t c, std::span<const Range> ranges) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](Range r) { return c >= r.first && c <= r.last; });
}

constexpr bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7f && c < 0xa0); }

// Appends text to the frame's buffer while both the column budget and the
// room last; the first character that does not fit ends the line for good.
class LineWriter {
 public:
  LineWriter(std::span<char> out, std::size_t columns)
      : out_(out, OutputBuffer::kNoDescriptor), columns_left_(columns) {}

  void text(std::string_view s) {
    for (std::size_t at = 0; at < s.size() && !full_;) {
      Utf8Step step = decodeUtf8(s, at);
      if (!step.valid || isControl(step.code))
        put("?", 1);
      else
        put(s.substr(at, step.length), static_cast<std::size_t>(columnWidth(step.code)));
      at += step.length;
    }
  }

  void number(std::size_t v) { text(NumberText(v).view()); }

  std::size_t length() const { return out_.text().size(); }

 private:
  void put(std::string_view bytes, std::size_t columns) {
    if (full_ || columns > columns_left_ || bytes.size() > out_.room()) {
      full_ = true;
      return;
    }
    out_.append(bytes);
    columns_left_ -= columns;
  }

  OutputBuffer out_;
  std::size_t columns_left_;
  bool full_ = false;
};

constexpr std::string_view kStart = "\r";
constexpr std::string_view kEraseRest = "\x1b[K";

}  // namespace

int columnWidth(char32_t code) {
  if (inAny(code, kZeroWidth)) return 0;
  if (inAny(code, kWide)) return 2;
  return 1;
}

std::size_t composeFrame(const FrameContent& content, std::size_t columns,
                         std::span<char, kFrameBytes> out) {
  std::memcpy(out.data(), kStart.data(), kStart.size());
  // The line's text goes between the carriage return and the erase sequence.
  LineWriter line(out.subspan(kStart.size(), kFrameBytes - kStart.size() - kEraseRest.size()),
                  columns == 0 ? 0 : columns - 1);
  line.text(content.root_label);
  line.text(" [");
  line.number(content.completed);
  line.text("/");
  line.number(content.total);
  line.text("]");
  if (!content.item.empty()) {
    line.text(" ");
    line.text(content.item);
  }
  std::size_t len = kStart.size() + line.length();
  std::memcpy(out.data() + len, kEraseRest.data(), kEraseRest.size());
  return len + kEraseRest.size();
}

}  // namespace zevra_harness::detail::progress

#pragma once
// One frame of the progress drawing on a terminal, a single line:
//   "\r" root " [" completed "/" total "] " item "\x1b[K"
// cut to one column less than the terminal is wide, so that it never wraps
// and never leaves the cursor in the last column (where erasing to the end
// of the line differs between terminals). Clearing returns to column 0 and
// erases the line, leaving the cursor where the next text belongs.

#include <cstddef>
#include <span>
#include <string_view>

namespace zevra_harness::detail::progress {

inline constexpr std::size_t kFrameBytes = 4096;
inline constexpr std::string_view kClearDrawing = "\r\x1b[K";

struct FrameContent {
  std::string_view root_label;
  std::size_t completed;
  std::size_t total;
  std::string_view item;  // the running item's label; empty between items
};

// Writes the frame for a terminal `columns` wide into `out` and returns its
// length. Control characters and malformed UTF-8 are drawn as "?", so no
// label can move the cursor or start an escape sequence.
std::size_t composeFrame(const FrameContent& content, std::size_t columns,
                         std::span<char, kFrameBytes> out);

// Columns a code point takes on a terminal: 0 for combining marks and
// zero-width characters, 2 for wide East Asian characters and emoji, else 1.
int columnWidth(char32_t code);

}  // namespace zevra_harness::detail::progress

#pragma once
// The progress channel: when a parent process hands down a descriptor in
// ZEVRA_PROGRESS_FD, progress goes there as versioned, line-based text
// instead of being drawn. Version 1, one message per line:
//   "zevra-progress 1"        first line, the format's version
//   "start <total> <label>"   the display started; <total> items expected
//   "begin <n> <label>"       item <n> (1, 2, ...) started
//   "end <n>"                 item <n> finished
//   "done"                    the display ended; nothing follows
// Numbers are unsigned decimal. A label runs to the end of its line; its
// bytes pass unchanged except a backslash, written "\\", and ASCII control
// characters, DEL and bytes outside well-formed UTF-8, written "\xHH" (two
// lower-case hex digits).

#include <cstddef>
#include <string_view>

#include "harness/base/write_all.hpp"
#include "harness/portable/diagnostics/output_buffer.hpp"
#include "zevra/expected.hpp"

namespace zevra_harness::detail::progress {

inline constexpr const char* kChannelVariable = "ZEVRA_PROGRESS_FD";

enum class ChannelRefusal { not_a_number, standard_stream, not_open, not_writable };

// Checks the variable's value: a decimal descriptor number other than 0, 1
// and 2, open and writable. An accepted descriptor is marked close-on-exec
// so that our own children do not inherit the parent's channel.
std::expected<int, ChannelRefusal> openChannel(std::string_view value);

// One message, composed in a 4096-byte line buffer and written in one write
// when it fits; a longer label is written in several. Writes never block:
// they wait for room within `budget`, shared by all messages of a run, and
// fail once it is spent.
class ChannelLine {
 public:
  ChannelLine(int fd, WaitBudget& budget) : out_(fd, &budget) {}

  ChannelLine& word(std::string_view raw);
  ChannelLine& number(std::size_t v);
  ChannelLine& label(std::string_view text);
  // Ends the line and writes it; false when a write failed.
  [[nodiscard]] bool send();

 private:
  OwnedBuffer<4096> out_;
};

}  // namespace zevra_harness::detail::progress

// Unit tests of the display's pieces: the frame drawn on a terminal, the
// channel's label escaping and the descriptor checks.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "harness/base/utf8.hpp"
#include "harness/posix/progress/channel.hpp"
#include "harness/posix/progress/frame.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using namespace zevra_harness;
using namespace zevra_harness::detail;
using namespace zevra_harness::detail::progress;

static_assert(decodeUtf8("³", 0).code == 0xb3 && decodeUtf8("³", 0).length == 2);
static_assert(decodeUtf8("\xe2\x86\x92", 0).code == 0x2192);
static_assert(!decodeUtf8("\xc0\xaf", 0).valid);          // overlong "/"
static_assert(!decodeUtf8("\xed\xa0\x80", 0).valid);      // a surrogate
static_assert(!decodeUtf8("\xf4\x90\x80\x80", 0).valid);  // above U+10FFFF
static_assert(!decodeUtf8("\xe2\x86", 0).valid && decodeUtf8("\xe2\x86", 0).length == 1);

std::string frame(std::string_view item, std::size_t columns, std::size_t completed = 0) {
  static char out[kFrameBytes];
  return std::string(out, composeFrame({"Test", completed, 52, item}, columns, out));
}

Status frameCutToWidth() {
  // 80 columns: 79 drawn, the wide "世" (2 columns) does not fit the last one.
  const std::string name(66, 'a');  // after the 12 columns of "Test [0/52] "
  ZEVRA_TRY(expect(frame(name + "bb", 80) == "\rTest [0/52] " + name + "b\x1b[K"));
  ZEVRA_TRY(expect(frame(name + "b世", 80) == "\rTest [0/52] " + name + "b\x1b[K"));
  ZEVRA_TRY(expect(frame(name + "世", 81) == "\rTest [0/52] " + name + "世\x1b[K"));
  // A combining mark takes no column and stays with its letter.
  ZEVRA_TRY(
      expect(frame(name + "be\xcc\x81x", 81) == "\rTest [0/52] " + name + "be\xcc\x81\x1b[K"));
  ZEVRA_TRY(expect(frame("", 80, 52) == "\rTest [52/52]\x1b[K"));
  ZEVRA_TRY(expect(frame("x", 8) == "\rTest [0\x1b[K"));
  ZEVRA_TRY(expect(frame("x", 1) == "\r\x1b[K"));
  ZEVRA_TRY(expect(frame("x", 0) == "\r\x1b[K"));
  return {};
}

Status frameDrawsControlsAsQuestionMarks() {
  ZEVRA_TRY(expect(frame("a\tb\x1b[2Jc\x7f\xc2\x9b\xff\xe2\x86", 80) ==
                   "\rTest [0/52] a?b?[2Jc????\?\x1b[K"));
  return {};
}

Status frameStaysInItsBuffer() {
  std::string name;
  for (int i = 0; i < 2000; ++i) name += "→";  // 6000 bytes, 2000 columns
  std::string f = frame(name, 65535);
  ZEVRA_TRY(expect(f.size() <= kFrameBytes && f.ends_with("\x1b[K")));
  // Whole characters only: the text between the prefix and the erase.
  std::string_view text = std::string_view(f).substr(13, f.size() - 16);
  ZEVRA_TRY(expect(text.size() % 3 == 0 && text.size() + 16 > kFrameBytes - 3));
  return {};
}

// Sends one line through a pipe and returns what arrived.
std::string sent(std::string_view label) {
  int p[2];
  if (::pipe(p) != 0) return "no pipe";
  WaitBudget budget{std::chrono::seconds(1)};
  ChannelLine line(p[1], budget);
  line.word("begin ").number(18446744073709551615u).word(" ").label(label);
  std::string got = line.send() ? "" : "send failed";
  ::close(p[1]);
  char buf[8192];
  for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) > 0;)
    got.append(buf, static_cast<std::size_t>(n));
  ::close(p[0]);
  return got;
}

Status channelEscapesLabels() {
  ZEVRA_TRY(
      expect(sent("a\\b\tc\x7f S³ \xc2\x9b\xff\xe2\x86\n") ==
             "begin 18446744073709551615 a\\\\b\\x09c\\x7f S³ \xc2\x9b\\xff\\xe2\\x86\\x0a\n"));
  // A label longer than the line buffer arrives whole.
  std::string long_label(5000, 'n');
  ZEVRA_TRY(expect(sent(long_label) == "begin 18446744073709551615 " + long_label + "\n"));
  return {};
}

Status channelChecksTheDescriptor() {
  for (std::string_view bad : {"", "-3", "+3", "3x", " 3", "0x3", "99999999999"})
    ZEVRA_TRY(expect(openChannel(bad).error() == ChannelRefusal::not_a_number));
  for (std::string_view standard : {"0", "1", "2", "002"})
    ZEVRA_TRY(expect(openChannel(standard).error() == ChannelRefusal::standard_stream));
  int p[2];
  ZEVRA_TRY(expect(::pipe(p) == 0));
  const std::string read_end = std::to_string(p[0]), write_end = std::to_string(p[1]);
  auto refused = openChannel(read_end);
  auto accepted = openChannel(write_end);
  const bool cloexec = (::fcntl(p[1], F_GETFD) & FD_CLOEXEC) != 0;
  ::close(p[0]);
  ::close(p[1]);
  ZEVRA_TRY(expect(refused.error() == ChannelRefusal::not_writable));
  ZEVRA_TRY(expect(accepted.value() == p[1] && cloexec));
  ZEVRA_TRY(expect(openChannel(write_end).error() == ChannelRefusal::not_open));
  return {};
}

constexpr auto tests = std::to_array<TestFn>({
    {"progress.test.frame: cut to the width on a character boundary", &frameCutToWidth},
    {"progress.test.frame: control characters and bad UTF-8 drawn as ?",
     &frameDrawsControlsAsQuestionMarks},
    {"progress.test.frame: a wide terminal stays within the buffer", &frameStaysInItsBuffer},
    {"progress.test.channel: label escaping", &channelEscapesLabels},
    {"progress.test.channel: descriptor checks", &channelChecksTheDescriptor},
});

}  // namespace

int main(int argc, char** argv) { return runMain(tests, argc, argv); }

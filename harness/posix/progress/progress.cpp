#include "harness/portable/platform/progress.hpp"

#include <chrono>
#include <cstdlib>

#include "harness/posix/progress/channel.hpp"
#include "harness/posix/progress/terminal.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness::detail::progress {
namespace {

// Where progress goes: nowhere (standard error is no terminal and no parent
// asked for it), a drawing on the terminal, or the parent's channel.
enum class Mode { off, terminal, channel };

Mode mode = Mode::off;
int channel_fd = -1;
std::size_t items_begun = 0;
// How long the tests may wait, over the whole run, for a parent that does
// not drain the channel before it is given up.
constexpr std::chrono::seconds kChannelPatience{1};
WaitBudget channel_budget{kChannelPatience};

void warnRefused(std::string_view value, ChannelRefusal why) {
  switch (why) {
    case ChannelRefusal::not_a_number:
      log(Level::warn, "default", "ignoring ZEVRA_PROGRESS_FD: not a descriptor number");
      break;
    case ChannelRefusal::standard_stream:
      log(Level::warn, "default",
          "ignoring ZEVRA_PROGRESS_FD={}: standard input, output and error are no progress channel",
          value);
      break;
    case ChannelRefusal::not_open:
      log(Level::warn, "default", "ignoring ZEVRA_PROGRESS_FD={}: not an open descriptor", value);
      break;
    case ChannelRefusal::not_writable:
      log(Level::warn, "default", "ignoring ZEVRA_PROGRESS_FD={}: not open for writing", value);
      break;
  }
}

// A channel that fails once (the parent went away, or left it full for the
// whole budget) is not written again.
void send(ChannelLine& line) {
  if (line.send()) return;
  mode = Mode::off;
  log(Level::warn, "default", "progress channel ZEVRA_PROGRESS_FD={} failed; progress not reported",
      channel_fd);
}

// Composes one line and sends it. Never inlined: the line's 4096-byte buffer
// stays off the stack of a run that reports nowhere, for which a deeper
// stack is one more page to fault in.
template <typename Compose>
[[gnu::noinline]] void sendLine(Compose compose) {
  ChannelLine line(channel_fd, channel_budget);
  compose(line);
  send(line);
}

}  // namespace

void start(std::string_view root_label, std::size_t expected_items) {
  mode = Mode::off;
  items_begun = 0;
  channel_budget = {kChannelPatience};
  // The only look at the environment; an empty value counts as unset.
  if (const char* value = std::getenv(kChannelVariable); value != nullptr && *value != '\0') {
    auto fd = openChannel(value);
    if (!fd) {
      warnRefused(value, fd.error());
      return;
    }
    channel_fd = *fd;
    mode = Mode::channel;
    sendLine([](ChannelLine& line) { line.word("zevra-progress 1"); });
    if (mode != Mode::channel) return;
    sendLine([&](ChannelLine& line) {
      line.word("start ").number(expected_items).word(" ").label(root_label);
    });
    return;
  }
  if (terminalAcceptsEscapes() && terminalStart(root_label, expected_items)) mode = Mode::terminal;
}

void itemBegin(std::string_view label) {
  ++items_begun;
  if (mode == Mode::terminal) {
    terminalItemBegin(label);
  } else if (mode == Mode::channel) {
    sendLine(
        [&](ChannelLine& line) { line.word("begin ").number(items_begun).word(" ").label(label); });
  }
}

void itemEnd() {
  if (mode == Mode::terminal) {
    terminalItemEnd();
  } else if (mode == Mode::channel) {
    sendLine([](ChannelLine& line) { line.word("end ").number(items_begun); });
  }
}

void end() {
  if (mode == Mode::terminal) {
    terminalEnd();
  } else if (mode == Mode::channel) {
    sendLine([](ChannelLine& line) { line.word("done"); });
  }
  mode = Mode::off;
}

}  // namespace zevra_harness::detail::progress

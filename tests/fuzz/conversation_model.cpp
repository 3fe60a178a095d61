#include "conversation_model.hpp"

#include <cerrno>
#include <cstddef>
#include <vector>

#include "harness/portable/core/runner_arena.hpp"

namespace zevra_fuzz {
namespace {

using zevra_harness::detail::Breakdown;
using zevra_harness::detail::ConversationEnd;
using Bytes = std::vector<std::uint8_t>;
constexpr int kIn = ScriptedDescriptors::kIn;
constexpr int kOut = ScriptedDescriptors::kOut;

void putU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t getU32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::string hex(std::uint32_t v) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string s;
  do s.insert(s.begin(), digits[v % 16]);
  while ((v /= 16) != 0);
  return s;
}

// The names of the errors the script can produce.
std::string errorName(int e) {
  switch (e) {
    case EPIPE:
      return "EPIPE";
    case EIO:
      return "EIO";
    case EISDIR:
      return "EISDIR";
    case ENOMEM:
      return "ENOMEM";
    case EBADF:
      return "EBADF";
    default:
      return "error " + std::to_string(e);
  }
}

class Model {
 public:
  Model(ModelConversation& m, std::span<const ModelTest> tests) : m_(m), tests_(tests) {}

  void run(std::string_view version) {
    Bytes hello;
    putU32(hello, 0);
    putU32(hello, static_cast<std::uint32_t>(version.size()));
    hello.insert(hello.end(), version.begin(), version.end());
    if (!send(hello)) return;
    for (;;) {
      if (!receive()) return;
      const std::uint32_t tag = getU32(queue_.data());
      const std::uint32_t len = getU32(queue_.data() + 4);
      take(8);
      if (tag == 0) {
        m_.end = ConversationEnd::exit;
        return;
      }
      if (tag == 4) {
        if (len != 0)
          return refuse("query_test_metadata takes no body, got " + std::to_string(len) +
                        " bytes\n");
        if (!send(metadata())) return;
      } else if (tag == 5) {
        if (len != 4)
          return refuse("run_test takes a 4-byte body, got " + std::to_string(len) + " bytes\n");
        const std::uint32_t index = getU32(queue_.data());
        take(4);
        if (index >= tests_.size())
          return refuse("run_test index " + std::to_string(index) + " out of range (have " +
                        std::to_string(tests_.size()) + " tests)\n");
        Bytes results;
        for (std::uint32_t v : {4u, 8u, index, tests_[index].flags}) putU32(results, v);
        if (!send(results)) return;
      } else {
        return refuse("unsupported message: " + hex(tag) + "\n");
      }
    }
  }

 private:
  void refuse(std::string text) {
    m_.end = ConversationEnd::refused;
    m_.stderr_tail = std::move(text);
  }

  void breakOff(const Breakdown& b, const std::string& text) {
    m_.breakdown = b;
    m_.stderr_tail = "[protocol] (warn): " + text + "\n";
  }

  Bytes metadata() const {
    Bytes table{0}, names;
    for (const ModelTest& t : tests_) {
      putU32(names, static_cast<std::uint32_t>(table.size()));
      table.insert(table.end(), t.name.begin(), t.name.end());
      table.push_back(0);
    }
    const auto n = static_cast<std::uint32_t>(tests_.size());
    Bytes out;
    for (std::uint32_t v : {3u, 8 + 8 * n + static_cast<std::uint32_t>(table.size()),
                            static_cast<std::uint32_t>(table.size()), n})
      putU32(out, v);
    out.insert(out.end(), names.begin(), names.end());
    for (std::uint32_t i = 0; i < n; ++i) putU32(out, 0);
    out.insert(out.end(), table.begin(), table.end());
    return out;
  }

  // Waits for `fd` after EAGAIN: an interrupted poll is made again. Returns
  // 0 when ready, else the error.
  int waitReady(int fd, short events) {
    for (;;) {
      pollfd p{fd, events, 0};
      if (m_.descriptors.poll(&p, 1, -1) < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      return (p.revents & POLLNVAL) != 0 ? EBADF : 0;
    }
  }

  // One read or write as the protocol asks: made again after EINTR, and
  // after EAGAIN once poll says the descriptor is ready. Returns the count,
  // or minus the error.
  template <typename Call>
  long long transfer(int fd, short events, Call call) {
    for (;;) {
      const ssize_t n = call();
      if (n >= 0) return n;
      const int error = errno;
      if (error == EINTR) continue;
      if (error != EAGAIN) return -error;
      if (int failed = waitReady(fd, events)) return -failed;
    }
  }

  // A message goes out whole, continued after partial writes.
  bool send(const Bytes& message) {
    std::size_t at = 0;
    while (at < message.size()) {
      iovec rest{const_cast<std::uint8_t*>(message.data() + at), message.size() - at};
      const long long n =
          transfer(kOut, POLLOUT, [&] { return m_.descriptors.writev(kOut, &rest, 1); });
      if (n <= 0) {
        const int error = static_cast<int>(-n);
        breakOff({.cause = Breakdown::Cause::output_failed, .error_number = error},
                 "writing standard output failed: " +
                     (error == 0 ? std::string("nothing was written") : errorName(error)));
        return false;
      }
      at += static_cast<std::size_t>(n);
    }
    return true;
  }

  // The receive queue: it makes room for `n` more bytes by moving its bytes
  // to the front when the room at the back is short, and by growing in
  // powers of two from 256 bytes when that is not enough either; it never
  // grows past the arena.
  bool makeRoom(std::size_t n) {
    if (capacity_ - head_ - queue_.size() >= n) return true;
    head_ = 0;
    if (capacity_ - queue_.size() >= n) return true;
    if (queue_.size() + n > zevra_harness::detail::kRunnerArenaBytes) return false;
    if (capacity_ == 0) capacity_ = 256;
    while (capacity_ < queue_.size() + n) capacity_ *= 2;
    return true;
  }

  // Takes `n` bytes from the front; an empty queue starts over at the front.
  void take(std::size_t n) {
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    head_ = queue_.empty() ? 0 : head_ + n;
  }

  // Until a whole message is queued, one read at a time into all the room
  // there is; the input ends at the second empty read within one receive.
  bool receive() {
    bool ended = false;
    for (;;) {
      std::size_t want = 256;
      if (queue_.size() >= 8) {
        const std::uint32_t tag = getU32(queue_.data());
        const std::uint32_t len = getU32(queue_.data() + 4);
        const std::size_t whole = std::size_t{8} + len;
        if (queue_.size() >= whole) return true;
        want = whole - queue_.size();
        if (whole > zevra_harness::detail::kRunnerArenaBytes) {
          breakOff({.cause = Breakdown::Cause::message_too_large,
                    .tag = tag,
                    .bytes_len = len,
                    .limit = zevra_harness::detail::kRunnerArenaBytes},
                   "a message with tag " + hex(tag) + " and a body of " + std::to_string(len) +
                       " bytes does not fit in the 8192-byte receive buffer");
          return false;
        }
      }
      if (!makeRoom(want)) return false;  // never: requests of 256 bytes always fit
      const std::size_t room = capacity_ - head_ - queue_.size();
      Bytes into(room);
      const long long n =
          transfer(kIn, POLLIN, [&] { return m_.descriptors.read(kIn, into.data(), room); });
      if (n < 0) {
        breakOff({.cause = Breakdown::Cause::input_failed, .error_number = static_cast<int>(-n)},
                 "reading standard input failed: " + errorName(static_cast<int>(-n)));
        return false;
      }
      queue_.insert(queue_.end(), into.begin(), into.begin() + n);
      if (n == 0) {
        if (ended) return inputEnded();
        ended = true;
      }
    }
  }

  bool inputEnded() {
    Breakdown b{.cause = Breakdown::Cause::input_ended};
    std::string text = "standard input ended between messages";
    if (queue_.size() >= 8) {
      b.where = Breakdown::Where::in_body;
      b.tag = getU32(queue_.data());
      b.bytes_len = getU32(queue_.data() + 4);
      b.received = queue_.size() - 8;
      text = "standard input ended inside the body of a message with tag " + hex(b.tag) + " (" +
             std::to_string(b.received) + " of " + std::to_string(b.bytes_len) + " bytes)";
    } else if (!queue_.empty()) {
      b.where = Breakdown::Where::in_header;
      b.received = queue_.size();
      text = "standard input ended inside a message header (" + std::to_string(b.received) +
             " of 8 bytes)";
    }
    breakOff(b, text);
    return false;
  }

  ModelConversation& m_;
  std::span<const ModelTest> tests_;
  Bytes queue_;  // received and not yet taken
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;  // where queue_ starts in the queue's storage
};

}  // namespace

ModelConversation modelConversation(std::span<const std::uint8_t> script, std::string_view version,
                                    std::span<const ModelTest> tests) {
  ModelConversation m(script);
  Model(m, tests).run(version);
  return m;
}

}  // namespace zevra_fuzz

#pragma once
// The descriptors under the server's stream, played from a fuzz input: every
// read, writev and poll takes its outcome from the script and is recorded,
// so that a model can make the calls a correct server makes on a second copy
// and the two records can be compared. The script:
//   byte 0       W, the number of write entries that follow
//   W bytes      one per writev, in order (after them every writev takes all):
//                  0x00       takes all it is given
//                  0x01-0x7f  takes at most that many bytes
//                  0x80-0xff  by the low 3 bits: 0 EINTR; 1 EAGAIN, then the
//                             poll reports room; 2 EAGAIN, the poll is
//                             interrupted once, then reports room; 3 EAGAIN,
//                             the poll fails with ENOMEM; 4 EAGAIN, the poll
//                             reports POLLNVAL; 5 takes nothing (returns 0);
//                             6 EPIPE; 7 EAGAIN, the poll reports POLLERR
//   the rest     one entry per read (after them every read returns 0):
//                  0x00-0xef  L: a chunk of the next L bytes (fewer at the
//                             end of the input); 0 is an empty read. A read
//                             that asks for less takes a prefix and leaves
//                             the rest of the chunk to the next read.
//                  0xf0-0xff  by the low 3 bits: 0 EINTR; 1-4 EAGAIN and its
//                             poll as for writes; 5 EAGAIN, the poll reports
//                             POLLHUP; 6 EIO; 7 EISDIR

#include <poll.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace zevra_fuzz {

// One call made on the descriptors.
struct Call {
  enum class Kind : std::uint8_t { read, writev, poll };
  Kind kind;
  int fd;
  std::size_t size;  // bytes asked for (read), offered (writev), events (poll)
  friend bool operator==(const Call&, const Call&) = default;
};

class ScriptedDescriptors {
 public:
  static constexpr int kIn = 100;   // the server's standard input
  static constexpr int kOut = 101;  // its standard output

  explicit ScriptedDescriptors(std::span<const std::uint8_t> input);

  // The system calls, as SystemCalls declares them; errno is set on -1.
  ssize_t read(int fd, void* into, std::size_t len);
  ssize_t writev(int fd, const iovec* parts, int count);
  int poll(pollfd* fds, nfds_t count, int timeout_ms);

  const std::vector<Call>& calls() const { return calls_; }
  // The bytes the writes took, in order.
  const std::vector<std::uint8_t>& written() const { return written_; }

 private:
  // What the polls after an EAGAIN do: fail with `error`, or report `revents`.
  struct PollStep {
    int error;
    short revents;
  };
  ssize_t fault(std::uint8_t kind, short events);

  std::span<const std::uint8_t> writes_;
  std::size_t next_write_ = 0;
  std::span<const std::uint8_t> reads_;
  std::size_t next_read_ = 0;
  std::span<const std::uint8_t> chunk_;  // the rest of the chunk being read
  std::deque<PollStep> polls_;
  std::vector<Call> calls_;
  std::vector<std::uint8_t> written_;
};

}  // namespace zevra_fuzz

#pragma once
// The build-runner protocol: framed little-endian messages on standard input
// (requests) and standard output (replies). The server announces the
// toolchain version, then answers metadata and test-run requests one at a
// time until the peer says `exit`.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <initializer_list>
#include <span>
#include <string_view>

#include "harness/core/arena.hpp"
#include "zevra_harness/registry.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness {

// Every message in either direction starts with these 8 bytes.
// Errors of the conversation besides BrokenPipe and OutOfMemory.
inline constexpr Error ReadFailed{"ReadFailed"};
inline constexpr Error MessageTooLong{"MessageTooLong"};

struct Header {
  std::uint32_t tag;
  std::uint32_t bytes_len;  // body length, header not counted
};
inline constexpr std::size_t kHeaderBytes = 8;

// Tags the build runner sends.
enum class ClientTag : std::uint32_t {
  exit = 0,
  update = 1,
  run = 2,
  hot_update = 3,
  query_test_metadata = 4,
  run_test = 5,
  start_fuzzing = 6,
};

// Tags this executable sends (the others of its side are never sent).
enum class ServerTag : std::uint32_t {
  orvel_version = 0,
  test_metadata = 3,
  test_results = 4,
};

// The wire is little-endian whatever the host's byte order.
constexpr std::uint32_t toLittleEndian(std::uint32_t v) {
  return std::endian::native == std::endian::little ? v : std::byteswap(v);
}
constexpr std::uint32_t loadLittleEndian(const std::byte* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint32_t>(p[i]);
  return v;
}
constexpr void storeLittleEndian(std::byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::byte>(v >> (8 * i));
}

// The result word of one test run: fail, skip, leak and fuzz bits, then the
// count of logged errors in bits 4-31, saturated at 28 bits.
inline constexpr std::uint32_t kMaxLoggedErrors = 0x0FFFFFFF;
struct TestOutcome {
  bool fail = false;
  bool skip = false;
  bool leak = false;
  bool fuzz = false;
  std::size_t log_err_count = 0;
};
constexpr std::uint32_t resultFlags(const TestOutcome& o) {
  std::uint32_t count = o.log_err_count < kMaxLoggedErrors
                            ? static_cast<std::uint32_t>(o.log_err_count)
                            : kMaxLoggedErrors;
  return (o.fail ? 1u : 0u) | (o.skip ? 2u : 0u) | (o.leak ? 4u : 0u) | (o.fuzz ? 8u : 0u) |
         (count << 4);
}

// A first-in-first-out byte queue whose storage is the most recent allocation
// of an arena; its capacity grows in powers of two from 256 bytes. Consumed
// bytes are dropped from the front and the rest is moved down when room is
// needed at the back.
class ReceiveFifo {
 public:
  static constexpr std::size_t kMinCapacity = 256;

  explicit ReceiveFifo(Arena& arena) : arena_(arena) {}

  std::span<const std::byte> readable() const { return {data_ + head_, len_}; }
  std::size_t size() const { return len_; }
  std::size_t capacity() const { return capacity_; }

  // Makes at least `n` bytes writable after the queued ones; OutOfMemory
  // when the queue cannot grow that far inside the arena.
  Status ensureWritable(std::size_t n);
  // The writable space after the queued bytes, and how much of it was filled.
  std::span<std::byte> writable() { return {data_ + head_ + len_, capacity_ - head_ - len_}; }
  void commit(std::size_t n) { len_ += n; }
  // Drops `n` (at most size()) bytes from the front.
  void discard(std::size_t n);
  // Gives the storage back to the arena.
  void release();

 private:
  Arena& arena_;
  std::byte* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;
  std::size_t len_ = 0;
};

// The two directions of the conversation's byte stream. The process talks
// over standard input and output (FdStream); the fuzz target and its corpus
// replay put an in-memory stream in their place.
class ServerStream {
 public:
  // Reads once into a prefix of `into` (never empty); 0 at the end of input.
  virtual std::expected<std::size_t, Error> read(std::span<std::byte> into) = 0;
  // Writes a prefix of the gathered parts (never all empty) and returns its
  // length; a stream that takes nothing fails with BrokenPipe.
  virtual std::expected<std::size_t, Error> writev(
      std::span<const std::span<const std::byte>> parts) = 0;

 protected:
  ~ServerStream() = default;
};

// Reads from one descriptor, writes to another; interrupted calls are
// retried, never reported.
class FdStream final : public ServerStream {
 public:
  FdStream(int in, int out) : in_(in), out_(out) {}
  std::expected<std::size_t, Error> read(std::span<std::byte> into) override;
  std::expected<std::size_t, Error> writev(
      std::span<const std::span<const std::byte>> parts) override;

 private:
  int in_;
  int out_;
};

class Server {
 public:
  struct Options {
    Arena& arena;              // storage of the receive queue
    std::string_view version;  // announced first
    ServerStream& stream;      // requests in, replies out
  };

  // Builds the server and sends the version message at once.
  static std::expected<Server, Error> init(const Options& options);
  // Releases the receive queue.
  void deinit();

  // Blocks until one whole message is queued; drops its header and returns
  // it, leaving the body at the front of the queue. BrokenPipe when the input
  // ends (two reads in a row return nothing) or fails; OutOfMemory when the
  // message cannot fit in the arena.
  std::expected<Header, Error> receiveMessage();
  // Takes 4 announced and queued body bytes from the front.
  std::uint32_t receiveBody_u32();

  // Writes the header and the parts as one gathered write, continued after
  // partial writes. BrokenPipe when the output is closed or fails.
  Status serveMessage(Header header, std::initializer_list<std::span<const std::byte>> parts);
  Status serveStringMessage(ServerTag tag, std::string_view text);
  // `names` and `expected_panic_msgs` hold their entries in wire order
  // (see toLittleEndian).
  Status serveTestMetadata(std::span<const std::uint32_t> names,
                           std::span<const std::uint32_t> expected_panic_msgs,
                           std::span<const std::byte> string_bytes);
  Status serveTestResults(std::uint32_t index, std::uint32_t flags);

 private:
  explicit Server(const Options& options) : receive_fifo_(options.arena), stream_(options.stream) {}
  // One read into the free space; false at end of input (nothing read).
  std::expected<bool, Error> readOnce();

  ReceiveFifo receive_fifo_;
  ServerStream& stream_;
};

// How a conversation ends without an error: the peer said `exit`, or it sent
// a request this program does not serve. The value is the exit status that
// mainServer ends the process with.
enum class ConversationEnd : int { exit = 0, refused = 1 };

// Serves the requests of the peer one at a time with the tests of `registry`
// until an end. On an error (the input ended or failed, the output failed, a
// message did not fit) the receive queue is released and the error returned.
std::expected<ConversationEnd, Error> serveConversation(Server& server, Registry registry);

}  // namespace zevra_harness

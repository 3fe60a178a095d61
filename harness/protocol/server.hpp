#pragma once
// The executable's end of the build-runner protocol: it announces the
// toolchain version, then receives whole requests into its queue and sends
// each reply as one gathered write (see wire.hpp for the format).

#include <cstdint>
#include <expected>
#include <initializer_list>
#include <span>
#include <string_view>

#include "harness/core/arena.hpp"
#include "harness/protocol/receive_fifo.hpp"
#include "harness/protocol/stream.hpp"
#include "harness/protocol/wire.hpp"

namespace zevra_harness {

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

}  // namespace zevra_harness

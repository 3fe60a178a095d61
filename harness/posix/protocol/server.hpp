#pragma once
// The executable's end of the build-runner protocol: it announces the
// toolchain version, then receives whole requests into its queue and sends
// each reply as one gathered write (see wire.hpp for the format).

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "harness/base/wire.hpp"
#include "harness/portable/core/arena.hpp"
#include "harness/posix/protocol/breakdown.hpp"
#include "harness/posix/protocol/receive_fifo.hpp"
#include "harness/posix/protocol/stream.hpp"
#include "zevra/expected.hpp"

namespace zevra_harness::detail {

// A reply went out whole, or why the conversation broke off.
using Sent = std::expected<void, Breakdown>;

class Server {
 public:
  struct Options {
    Arena& arena;              // storage of the receive queue
    std::string_view version;  // announced first
    FdStream& stream;          // requests in, replies out
  };

  // Builds the server and sends the version message at once.
  static std::expected<Server, Breakdown> init(const Options& options);
  // Releases the receive queue.
  void deinit();

  // Blocks until one whole message is queued; drops its header and returns
  // it, leaving the body at the front of the queue. Breaks off when the input
  // ends (two reads within one call return nothing) or fails, or when the
  // message cannot fit in the arena.
  std::expected<Header, Breakdown> receiveMessage();
  // Takes 4 announced and queued body bytes from the front.
  std::uint32_t receiveBody_u32();

  // Writes the header and the parts as one gathered write, continued after
  // partial writes. Breaks off when a write fails or takes nothing.
  Sent serveMessage(Header header, std::initializer_list<std::span<const std::byte>> parts);
  Sent serveStringMessage(ServerTag tag, std::string_view text);
  // `names` and `expected_panic_msgs` hold their entries in wire order
  // (see toLittleEndian).
  Sent serveTestMetadata(std::span<const std::uint32_t> names,
                         std::span<const std::uint32_t> expected_panic_msgs,
                         std::span<const std::byte> string_bytes);
  Sent serveTestResults(std::uint32_t index, std::uint32_t flags);

 private:
  explicit Server(const Options& options) : receive_fifo_(options.arena), stream_(options.stream) {}
  // How much of the message at the front of the queue has arrived.
  Breakdown inputEnded() const;

  ReceiveFifo receive_fifo_;
  FdStream& stream_;
};

}  // namespace zevra_harness::detail

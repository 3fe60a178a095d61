// The server's side of the framing: the receive queue is filled by single
// reads, replies leave as one gathered write each (continued after partial
// writes).
#include "harness/posix/protocol/server.hpp"

#include <array>
#include <limits>

namespace zevra_harness::detail {
namespace {

Breakdown replyTooLarge(std::size_t len) {
  return {.cause = Breakdown::Cause::reply_too_large, .limit = len};
}

}  // namespace

std::expected<Server, Breakdown> Server::init(const Options& options) {
  Server server(options);
  if (auto sent = server.serveStringMessage(ServerTag::orvel_version, options.version); !sent)
    return std::unexpected(sent.error());
  return server;
}

void Server::deinit() { receive_fifo_.release(); }

Breakdown Server::inputEnded() const {
  Breakdown b{.cause = Breakdown::Cause::input_ended};
  const std::span<const std::byte> queued = receive_fifo_.readable();
  if (queued.size() >= kHeaderBytes) {
    b.where = Breakdown::Where::in_body;
    b.tag = loadLittleEndian(queued.data());
    b.bytes_len = loadLittleEndian(queued.data() + 4);
    b.received = queued.size() - kHeaderBytes;
  } else if (!queued.empty()) {
    b.where = Breakdown::Where::in_header;
    b.received = queued.size();
  }
  return b;
}

std::expected<Header, Breakdown> Server::receiveMessage() {
  // One empty read may be a peer's quirk; a second within one call is the end.
  bool ended = false;
  for (;;) {
    if (receive_fifo_.size() < kHeaderBytes) {
      if (!receive_fifo_.ensureWritable(ReceiveFifo::kMinCapacity))
        return std::unexpected(Breakdown{.cause = Breakdown::Cause::message_too_large});
    } else {
      const std::byte* at = receive_fifo_.readable().data();
      Header header{loadLittleEndian(at), loadLittleEndian(at + 4)};
      std::size_t whole = kHeaderBytes + header.bytes_len;
      if (receive_fifo_.size() >= whole) {
        receive_fifo_.discard(kHeaderBytes);
        return header;
      }
      if (!receive_fifo_.ensureWritable(whole - receive_fifo_.size()))
        return std::unexpected(Breakdown{.cause = Breakdown::Cause::message_too_large,
                                         .tag = header.tag,
                                         .bytes_len = header.bytes_len,
                                         .limit = receive_fifo_.arenaCapacity()});
    }
    auto got = stream_.read(receive_fifo_.writable());
    if (!got)
      return std::unexpected(
          Breakdown{.cause = Breakdown::Cause::input_failed, .error_number = got.error()});
    receive_fifo_.commit(*got);
    if (*got == 0) {
      if (ended) return std::unexpected(inputEnded());
      ended = true;
    }
  }
}

std::uint32_t Server::receiveBody_u32() {
  std::uint32_t v = loadLittleEndian(receive_fifo_.readable().data());
  receive_fifo_.discard(4);
  return v;
}

Sent Server::serveMessage(Header header, std::initializer_list<std::span<const std::byte>> parts) {
  std::array<std::byte, kHeaderBytes> head;
  storeLittleEndian(head.data(), header.tag);
  storeLittleEndian(head.data() + 4, header.bytes_len);

  std::array<std::span<const std::byte>, FdStream::kMaxParts> pieces;
  if (parts.size() >= pieces.size()) return std::unexpected(replyTooLarge(header.bytes_len));
  std::size_t count = 0;
  pieces[count++] = head;
  for (std::span<const std::byte> part : parts)
    if (!part.empty()) pieces[count++] = part;

  std::size_t first = 0;
  while (first < count) {
    auto wrote = stream_.writev(std::span(pieces).subspan(first, count - first));
    if (!wrote || *wrote == 0)
      return std::unexpected(Breakdown{.cause = Breakdown::Cause::output_failed,
                                       .error_number = wrote ? 0 : wrote.error()});
    // Skip what went out, then resume inside the part that was cut.
    std::size_t left = *wrote;
    while (first < count && left >= pieces[first].size()) left -= pieces[first++].size();
    if (first < count) pieces[first] = pieces[first].subspan(left);
  }
  return {};
}

Sent Server::serveStringMessage(ServerTag tag, std::string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max())
    return std::unexpected(replyTooLarge(text.size()));
  return serveMessage({static_cast<std::uint32_t>(tag), static_cast<std::uint32_t>(text.size())},
                      {std::as_bytes(std::span(text))});
}

Sent Server::serveTestMetadata(std::span<const std::uint32_t> names,
                               std::span<const std::uint32_t> expected_panic_msgs,
                               std::span<const std::byte> string_bytes) {
  std::size_t body = kTestMetadataFixedBytes + names.size_bytes() +
                     expected_panic_msgs.size_bytes() + string_bytes.size();
  if (names.size() != expected_panic_msgs.size() ||
      body > std::numeric_limits<std::uint32_t>::max() ||
      names.size() > std::numeric_limits<std::uint32_t>::max())
    return std::unexpected(replyTooLarge(body));
  std::array<std::byte, kTestMetadataFixedBytes> fixed;
  storeLittleEndian(fixed.data(), static_cast<std::uint32_t>(string_bytes.size()));
  storeLittleEndian(fixed.data() + 4, static_cast<std::uint32_t>(names.size()));
  return serveMessage(
      {static_cast<std::uint32_t>(ServerTag::test_metadata), static_cast<std::uint32_t>(body)},
      {fixed, std::as_bytes(names), std::as_bytes(expected_panic_msgs), string_bytes});
}

Sent Server::serveTestResults(std::uint32_t index, std::uint32_t flags) {
  std::array<std::byte, kTestResultsBodyBytes> body;
  storeLittleEndian(body.data(), index);
  storeLittleEndian(body.data() + 4, flags);
  return serveMessage({static_cast<std::uint32_t>(ServerTag::test_results), kTestResultsBodyBytes},
                      {body});
}

}  // namespace zevra_harness::detail

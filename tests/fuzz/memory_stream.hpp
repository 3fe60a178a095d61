#pragma once
// The server's byte stream in memory, laid out by the fuzz input:
//   byte 0  write limit: 0 = every writev takes all it is given, k = at most
//           k bytes per writev (partial writes);
//   byte 1  output fault: 0 = none, k = the k-th writev fails (the peer closed
//           standard output);
//   then the reads: a length byte L and L bytes, returned by one read (L = 0
//   is an empty read). A read that asks for less takes a prefix and leaves
//   the rest for the next one; a chunk cut short by the end of the input
//   keeps what is there. After the last chunk every read returns nothing.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "harness/protocol/stream.hpp"

namespace zevra_fuzz {

class MemoryStream final : public zevra_harness::ServerStream {
 public:
  explicit MemoryStream(std::span<const std::uint8_t> input);

  std::expected<std::size_t, zevra_harness::Error> read(std::span<std::byte> into) override;
  std::expected<std::size_t, zevra_harness::Error> writev(
      std::span<const std::span<const std::byte>> parts) override;

  // The bytes the peer sends, all chunks joined.
  const std::vector<std::uint8_t>& sent() const { return sent_; }
  // What the server wrote before the end or the fault.
  const std::vector<std::uint8_t>& written() const { return written_; }
  // Whether an empty read came while input was still to come, and whether
  // the output fault was hit: both may end a conversation early.
  bool emptyReadBeforeEnd() const { return empty_read_before_end_; }
  bool writeFaultHit() const { return write_fault_hit_; }

 private:
  struct Chunk {
    std::size_t begin;  // into sent_
    std::size_t len;
  };
  std::vector<std::uint8_t> sent_;
  std::vector<Chunk> chunks_;
  std::size_t chunk_ = 0;  // the chunk the next read takes from
  std::size_t taken_ = 0;  // bytes of it already read
  std::size_t write_limit_ = 0;
  std::size_t write_fault_ = 0;
  std::size_t writes_ = 0;
  std::vector<std::uint8_t> written_;
  bool empty_read_before_end_ = false;
  bool write_fault_hit_ = false;
};

}  // namespace zevra_fuzz

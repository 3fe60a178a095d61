#include "memory_stream.hpp"

#include <algorithm>
#include <cstring>

namespace zevra_fuzz {

MemoryStream::MemoryStream(std::span<const std::uint8_t> input) {
  if (!input.empty()) write_limit_ = input[0];
  if (input.size() > 1) write_fault_ = input[1];
  std::size_t at = std::min<std::size_t>(input.size(), 2);
  while (at < input.size()) {
    const std::size_t announced = input[at++];
    const std::size_t len = std::min(announced, input.size() - at);
    chunks_.push_back({sent_.size(), len});
    sent_.insert(sent_.end(), input.begin() + static_cast<std::ptrdiff_t>(at),
                 input.begin() + static_cast<std::ptrdiff_t>(at + len));
    at += len;
  }
}

std::expected<std::size_t, zevra_harness::Error> MemoryStream::read(std::span<std::byte> into) {
  if (chunk_ == chunks_.size()) return 0;
  const Chunk& c = chunks_[chunk_];
  std::size_t n = std::min(into.size(), c.len - taken_);
  if (n != 0) std::memcpy(into.data(), sent_.data() + c.begin + taken_, n);
  taken_ += n;
  if (taken_ == c.len) {
    ++chunk_;
    taken_ = 0;
  }
  if (n == 0 && c.begin + c.len < sent_.size()) empty_read_before_end_ = true;
  return n;
}

std::expected<std::size_t, zevra_harness::Error> MemoryStream::writev(
    std::span<const std::span<const std::byte>> parts) {
  if (++writes_ == write_fault_) {
    write_fault_hit_ = true;
    return std::unexpected(zevra_harness::BrokenPipe);
  }
  std::size_t wrote = 0;
  for (std::span<const std::byte> part : parts) {
    std::size_t n = part.size();
    if (write_limit_ != 0) n = std::min(n, write_limit_ - wrote);
    const auto* p = reinterpret_cast<const std::uint8_t*>(part.data());
    written_.insert(written_.end(), p, p + n);
    wrote += n;
    if (write_limit_ != 0 && wrote == write_limit_) break;
  }
  return wrote;
}

}  // namespace zevra_fuzz

#pragma once
// The server's receive queue: a first-in-first-out byte queue whose storage
// is the most recent allocation of an arena; its capacity grows in powers of
// two from 256 bytes. Consumed bytes are dropped from the front and the rest
// is moved down when room is needed at the back.

#include <cstddef>
#include <span>

#include "harness/portable/core/arena.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness::detail {

class ReceiveFifo {
 public:
  static constexpr std::size_t kMinCapacity = 256;

  explicit ReceiveFifo(Arena& arena) : arena_(arena) {}

  std::span<const std::byte> readable() const { return {data_ + head_, len_}; }
  std::size_t size() const { return len_; }
  std::size_t capacity() const { return capacity_; }
  // The most the queue can ever hold.
  std::size_t arenaCapacity() const { return arena_.capacity(); }

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

}  // namespace zevra_harness::detail

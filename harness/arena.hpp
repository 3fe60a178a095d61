#pragma once
// A bump arena over a caller's fixed buffer: allocations are carved from the
// front in order; only the most recent one can grow in place or be given
// back; a reset empties it at once. The runner's 8192-byte arena holds the
// argument copies and, in protocol mode, the receive queue.

#include <cstddef>
#include <span>

namespace zevra_harness {

class Arena {
 public:
  constexpr explicit Arena(std::span<std::byte> buffer) : buffer_(buffer) {}

  // nullptr when the request does not fit.
  void* alloc(std::size_t len, std::size_t align = 1) {
    std::size_t start = (end_ + align - 1) & ~(align - 1);
    if (start > buffer_.size() || len > buffer_.size() - start) return nullptr;
    last_ = start;
    end_ = start + len;
    return buffer_.data() + start;
  }

  // Grows or shrinks the most recent allocation in place; false otherwise.
  bool resize(void* p, std::size_t new_len) {
    if (!isLast(p) || new_len > buffer_.size() - last_) return false;
    end_ = last_ + new_len;
    return true;
  }

  // Gives back the most recent allocation; any other is kept until reset.
  void free(void* p) {
    if (isLast(p)) end_ = last_;
  }

  void reset() { end_ = last_ = 0; }
  std::size_t used() const { return end_; }
  std::size_t capacity() const { return buffer_.size(); }

 private:
  bool isLast(void* p) const { return p == buffer_.data() + last_ && end_ != 0; }
  std::span<std::byte> buffer_;
  std::size_t end_ = 0;
  std::size_t last_ = 0;
};

}  // namespace zevra_harness

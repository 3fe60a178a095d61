#pragma once
// A bump arena over a caller's fixed buffer: allocations are carved from the
// front in order; only the most recent one can grow in place or be given
// back; a reset empties it at once. The runner's 8192-byte arena holds the
// argument copies and, in protocol mode, the receive queue.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zevra_harness::detail {

class Arena {
 public:
  constexpr explicit Arena(std::span<std::byte> buffer) : buffer_(buffer) {}

  // nullptr when the request does not fit.
  // `align` is a power of two.
  void* alloc(std::size_t len, std::size_t align = 1) {
    auto base = reinterpret_cast<std::uintptr_t>(buffer_.data());
    std::size_t start = ((base + end_ + align - 1) & ~(align - 1)) - base;
    if (start > buffer_.size() || len > buffer_.size() - start) return nullptr;
    before_last_ = end_;
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
    if (isLast(p)) {
      end_ = before_last_;
      last_ = kNone;
    }
  }

  void reset() {
    end_ = before_last_ = 0;
    last_ = kNone;
  }
  std::size_t used() const { return end_; }
  std::size_t capacity() const { return buffer_.size(); }

 private:
  static constexpr std::size_t kNone = ~std::size_t{0};
  bool isLast(void* p) const { return last_ != kNone && p == buffer_.data() + last_; }
  std::span<std::byte> buffer_;
  std::size_t end_ = 0;
  std::size_t last_ = kNone;     // start of the most recent allocation
  std::size_t before_last_ = 0;  // end of the arena before it
};

}  // namespace zevra_harness::detail

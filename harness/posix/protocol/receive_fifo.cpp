#include "harness/posix/protocol/receive_fifo.hpp"

#include <cstring>

namespace zevra_harness::detail {

Status ReceiveFifo::ensureWritable(std::size_t n) {
  if (capacity_ - head_ - len_ >= n) return {};
  // Consumed bytes at the front are dead space: move the queue down first.
  if (head_ != 0) {
    std::memmove(data_, data_ + head_, len_);
    head_ = 0;
  }
  if (capacity_ - len_ >= n) return {};

  // The arena bounds every queue, so a larger request can never be met (and
  // the doubling below stays far from overflow).
  if (n > arena_.capacity() || len_ + n > arena_.capacity()) return std::unexpected(OutOfMemory);
  std::size_t grown = capacity_ == 0 ? kMinCapacity : capacity_;
  while (grown < len_ + n) grown *= 2;

  if (data_ != nullptr && arena_.resize(data_, grown)) {
    capacity_ = grown;
    return {};
  }
  auto* fresh = static_cast<std::byte*>(arena_.alloc(grown));
  if (fresh == nullptr) return std::unexpected(OutOfMemory);
  if (len_ != 0) std::memcpy(fresh, data_, len_);
  if (data_ != nullptr) arena_.free(data_);
  data_ = fresh;
  capacity_ = grown;
  return {};
}

void ReceiveFifo::discard(std::size_t n) {
  head_ += n;
  len_ -= n;
  if (len_ == 0) head_ = 0;
}

void ReceiveFifo::release() {
  if (data_ != nullptr) arena_.free(data_);
  data_ = nullptr;
  capacity_ = head_ = len_ = 0;
}

}  // namespace zevra_harness::detail

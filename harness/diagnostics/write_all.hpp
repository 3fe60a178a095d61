#pragma once
// The one loop around the system calls that move bytes: an interrupted call
// is made again and never reported, and a partial write is continued.

#include <cerrno>
#include <cstddef>

namespace zevra_harness {

// Calls `call` (a read, write or writev returning ssize_t) again for as long
// as it fails with EINTR; returns its last result.
template <typename Call>
auto retryInterrupted(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

// Writes every byte to a descriptor. False when a write fails or writes
// nothing (the rest is not written).
bool writeAll(int fd, const void* data, std::size_t len);

}  // namespace zevra_harness

#pragma once
// The one loop around the system calls that move bytes: an interrupted call
// is made again and never reported; a descriptor that would block (EAGAIN,
// set non-blocking by whoever shares it) is waited for with poll, then the
// call is made again; a partial write is continued.

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string_view>

#include "harness/base/system_calls.hpp"

namespace zevra_harness {

// Waits until `fd` is ready for `events` (POLLIN or POLLOUT), for at most
// `timeout_ms` (-1: as long as it takes); an interrupted wait goes on.
// 1 when ready (a hang-up or an error counts: the next call reports it), 0
// when the time ran out, -1 when the wait failed (errno set; EBADF for a
// descriptor that is not open).
int waitReady(const SystemCalls& sys, int fd, short events, int timeout_ms);

// Makes `call` (a read, write or writev on `fd` returning ssize_t) again
// while it fails with EINTR, and after EAGAIN once `fd` is ready for
// `events`. Returns its last result; -1 with errno set when it or the wait
// failed.
template <typename Call>
auto retryTransient(const SystemCalls& sys, int fd, short events, Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0) return result;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return result;
    if (waitReady(sys, fd, events, -1) < 0) return decltype(result){-1};
  }
}

// Writes every byte to a descriptor. False when a write fails or writes
// nothing (the rest is not written).
bool writeAll(int fd, const void* data, std::size_t len);
inline bool writeAll(int fd, std::string_view bytes) {
  return writeAll(fd, bytes.data(), bytes.size());
}

// Time a writer may spend waiting for a descriptor, shared by all its
// writes: once spent, the next write that would wait fails instead.
struct WaitBudget {
  std::chrono::nanoseconds left;
};

// writeAll that never blocks in a write: it waits for room with poll first,
// within the budget, and fails when the budget runs out. A pipe with room
// takes up to 4096 bytes at once, so writes of that size never block.
bool writeAllWithin(int fd, const void* data, std::size_t len, WaitBudget& budget);

}  // namespace zevra_harness

#pragma once
// The system calls that move the conversation's bytes, as a table: the
// process uses the real ones, and the fuzz target puts scripted ones in their
// place to reach every way they end (EINTR, EAGAIN, short transfers, errors)
// through the real code around them.

#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstddef>

namespace zevra_harness {

struct SystemCalls {
  ssize_t (*read)(int fd, void* into, std::size_t len);
  ssize_t (*writev)(int fd, const iovec* parts, int count);
  int (*poll)(pollfd* fds, nfds_t count, int timeout_ms);
};

inline constexpr SystemCalls kSystemCalls{::read, ::writev, ::poll};

}  // namespace zevra_harness

#include "harness/diagnostics/write_all.hpp"

namespace zevra_harness {

int waitReady(const SystemCalls& sys, int fd, short events, int timeout_ms) {
  for (;;) {
    pollfd p{fd, events, 0};
    int ready = sys.poll(&p, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return ready;
    if ((p.revents & POLLNVAL) != 0) {
      errno = EBADF;
      return -1;
    }
    return 1;
  }
}

bool writeAll(int fd, const void* data, std::size_t len) {
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    ssize_t w = retryTransient(kSystemCalls, fd, POLLOUT, [&] { return ::write(fd, p, len); });
    if (w <= 0) return false;
    p += w;
    len -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace zevra_harness

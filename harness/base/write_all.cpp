#include "harness/base/write_all.hpp"

#include <algorithm>

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

bool writeAllWithin(int fd, const void* data, std::size_t len, WaitBudget& budget) {
  using Clock = std::chrono::steady_clock;
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    if (budget.left <= std::chrono::nanoseconds::zero()) return false;
    // Whole milliseconds, rounded up, so that a last sliver still waits.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(budget.left).count();
    const auto start = Clock::now();
    const int ready =
        waitReady(kSystemCalls, fd, POLLOUT, static_cast<int>(std::min<decltype(ms)>(ms, 1 << 30)));
    budget.left -= Clock::now() - start;
    if (ready == 0) budget.left = std::chrono::nanoseconds::zero();
    if (ready <= 0) return false;
    ssize_t w = ::write(fd, p, len);
    if (w < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (w <= 0) return false;
    p += w;
    len -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace zevra_harness

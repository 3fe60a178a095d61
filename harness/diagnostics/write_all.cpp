#include "harness/diagnostics/write_all.hpp"

#include <unistd.h>

namespace zevra_harness {

bool writeAll(int fd, const void* data, std::size_t len) {
  const auto* p = static_cast<const char*>(data);
  while (len > 0) {
    ssize_t w = retryInterrupted([&] { return ::write(fd, p, len); });
    if (w <= 0) return false;
    p += w;
    len -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace zevra_harness

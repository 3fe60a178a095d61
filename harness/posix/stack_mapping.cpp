#include "harness/posix/stack_mapping.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zevra_harness::detail {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::uintptr_t stackMappingEnd(std::uintptr_t address) {
  const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  // Each line starts "{start}-{end} " in hexadecimal; the rest is skipped.
  enum class Field { start, end, rest } field = Field::start;
  std::uintptr_t start = 0, end = 0, found = 0;
  char chunk[512];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || found != 0) break;
    for (ssize_t i = 0; i < n && found == 0; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        field = Field::start;
        start = end = 0;
      } else if (field == Field::start) {
        if (c == '-')
          field = Field::end;
        else
          start = (start << 4) | static_cast<std::uintptr_t>(hexDigit(c) & 0xf);
      } else if (field == Field::end) {
        if (hexDigit(c) >= 0) {
          end = (end << 4) | static_cast<std::uintptr_t>(hexDigit(c));
        } else {
          if (address >= start && address < end) found = end;
          field = Field::rest;
        }
      }
    }
  }
  ::close(fd);
  return found;
}

}  // namespace zevra_harness::detail

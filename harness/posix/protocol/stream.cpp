#include "harness/posix/protocol/stream.hpp"

#include <array>
#include <cerrno>

#include "harness/base/write_all.hpp"

namespace zevra_harness::detail {

std::expected<std::size_t, int> FdStream::read(std::span<std::byte> into) {
  ssize_t got =
      retryTransient(sys_, in_, POLLIN, [&] { return sys_.read(in_, into.data(), into.size()); });
  if (got < 0) return std::unexpected(errno);
  return static_cast<std::size_t>(got);
}

std::expected<std::size_t, int> FdStream::writev(
    std::span<const std::span<const std::byte>> parts) {
  std::array<iovec, kMaxParts> iov;
  if (parts.size() > iov.size()) return std::unexpected(EINVAL);
  for (std::size_t i = 0; i < parts.size(); ++i)
    iov[i] = {const_cast<std::byte*>(parts[i].data()), parts[i].size()};
  ssize_t wrote = retryTransient(sys_, out_, POLLOUT, [&] {
    return sys_.writev(out_, iov.data(), static_cast<int>(parts.size()));
  });
  if (wrote < 0) return std::unexpected(errno);
  return static_cast<std::size_t>(wrote);
}

}  // namespace zevra_harness::detail

#include "harness/protocol/stream.hpp"

#include <sys/uio.h>
#include <unistd.h>

#include <array>

#include "harness/diagnostics/write_all.hpp"

namespace zevra_harness {

std::expected<std::size_t, Error> FdStream::read(std::span<std::byte> into) {
  ssize_t got = retryInterrupted([&] { return ::read(in_, into.data(), into.size()); });
  if (got < 0) return std::unexpected(ReadFailed);
  return static_cast<std::size_t>(got);
}

std::expected<std::size_t, Error> FdStream::writev(
    std::span<const std::span<const std::byte>> parts) {
  std::array<iovec, 8> iov;
  if (parts.size() > iov.size()) return std::unexpected(MessageTooLong);
  for (std::size_t i = 0; i < parts.size(); ++i)
    iov[i] = {const_cast<std::byte*>(parts[i].data()), parts[i].size()};
  ssize_t wrote =
      retryInterrupted([&] { return ::writev(out_, iov.data(), static_cast<int>(parts.size())); });
  if (wrote <= 0) return std::unexpected(BrokenPipe);
  return static_cast<std::size_t>(wrote);
}

}  // namespace zevra_harness

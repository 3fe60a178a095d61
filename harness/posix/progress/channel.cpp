#include "harness/posix/progress/channel.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>

namespace zevra_harness::detail::progress {

std::expected<int, ChannelRefusal> openChannel(std::string_view value) {
  int fd = 0;
  const char* end = value.data() + value.size();
  // from_chars would accept a leading "-"; only digits name a descriptor.
  if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
    return std::unexpected(ChannelRefusal::not_a_number);
  auto [stop, ec] = std::from_chars(value.data(), end, fd);
  if (ec != std::errc() || stop != end) return std::unexpected(ChannelRefusal::not_a_number);
  if (fd <= 2) return std::unexpected(ChannelRefusal::standard_stream);
  const int fd_flags = ::fcntl(fd, F_GETFD);
  if (fd_flags < 0) return std::unexpected(ChannelRefusal::not_open);
  const int status_flags = ::fcntl(fd, F_GETFL);
  if (status_flags < 0 || (status_flags & O_ACCMODE) == O_RDONLY)
    return std::unexpected(ChannelRefusal::not_writable);
  (void)::fcntl(fd, F_SETFD, fd_flags | FD_CLOEXEC);
  return fd;
}

ChannelLine& ChannelLine::word(std::string_view raw) {
  out_.append(raw);
  return *this;
}

ChannelLine& ChannelLine::number(std::size_t v) {
  out_.appendDecimal(v);
  return *this;
}

ChannelLine& ChannelLine::label(std::string_view text) {
  out_.appendEscaped(text);
  return *this;
}

bool ChannelLine::send() {
  out_.append('\n');
  return out_.flush();
}

}  // namespace zevra_harness::detail::progress

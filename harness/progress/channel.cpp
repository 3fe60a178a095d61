#include "harness/progress/channel.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include "harness/progress/utf8.hpp"
#include "harness/diagnostics/write_all.hpp"

namespace zevra_harness::progress {

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
  put(raw);
  return *this;
}

ChannelLine& ChannelLine::number(std::size_t v) {
  char digits[20];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
  (void)ec;  // 20 digits hold every std::size_t
  put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  return *this;
}

ChannelLine& ChannelLine::label(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    Utf8Step step = decodeUtf8(text, at);
    if (step.valid && step.code == '\\') {
      put("\\\\");
    } else if (step.valid && step.code >= 0x20 && step.code != 0x7f) {
      put(text.substr(at, step.length));
    } else {
      const auto byte = static_cast<unsigned char>(text[at]);
      const char escape[4] = {'\\', 'x', "0123456789abcdef"[byte >> 4],
                              "0123456789abcdef"[byte & 15]};
      put(std::string_view(escape, sizeof escape));
    }
    at += step.length;  // 1 for a bad byte: each is escaped on its own
  }
  return *this;
}

bool ChannelLine::send() {
  put("\n");
  flush();
  return !failed_;
}

void ChannelLine::put(std::string_view bytes) {
  while (!bytes.empty()) {
    if (len_ == sizeof data_) flush();
    std::size_t n = std::min(bytes.size(), sizeof data_ - len_);
    std::memcpy(data_ + len_, bytes.data(), n);
    len_ += n;
    bytes.remove_prefix(n);
  }
}

void ChannelLine::flush() {
  if (!failed_ && !writeAll(fd_, data_, len_)) failed_ = true;
  len_ = 0;
}

}  // namespace zevra_harness::progress

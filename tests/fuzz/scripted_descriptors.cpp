#include "scripted_descriptors.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zevra_fuzz {

ScriptedDescriptors::ScriptedDescriptors(std::span<const std::uint8_t> input) {
  const std::size_t count = input.empty() ? 0 : std::min<std::size_t>(input[0], input.size() - 1);
  writes_ = input.subspan(input.empty() ? 0 : 1, count);
  reads_ = input.subspan(input.empty() ? 0 : 1 + count);
}

// The faults both directions share (kinds 0-4), then each one's own.
ssize_t ScriptedDescriptors::fault(std::uint8_t kind, short events) {
  const bool reading = events == POLLIN;
  int error = EAGAIN;
  switch (kind) {
    case 0:
      error = EINTR;
      break;
    case 1:
      polls_ = {{0, events}};
      break;
    case 2:
      polls_ = {{EINTR, 0}, {0, events}};
      break;
    case 3:
      polls_ = {{ENOMEM, 0}};
      break;
    case 4:
      polls_ = {{0, POLLNVAL}};
      break;
    case 5:
      if (!reading) return 0;  // took nothing
      polls_ = {{0, POLLHUP}};
      break;
    case 6:
      error = reading ? EIO : EPIPE;
      break;
    default:
      if (reading)
        error = EISDIR;
      else
        polls_ = {{0, POLLERR}};
      break;
  }
  errno = error;
  return -1;
}

ssize_t ScriptedDescriptors::read(int fd, void* into, std::size_t len) {
  calls_.push_back({Call::Kind::read, fd, len});
  if (fd != kIn) {
    errno = EBADF;
    return -1;
  }
  if (chunk_.empty()) {
    if (next_read_ == reads_.size()) return 0;  // the end of the input
    const std::uint8_t entry = reads_[next_read_++];
    if (entry >= 0xf0) return fault(entry & 7, POLLIN);
    const std::size_t n = std::min<std::size_t>(entry, reads_.size() - next_read_);
    chunk_ = reads_.subspan(next_read_, n);
    next_read_ += n;
  }
  const std::size_t n = std::min(len, chunk_.size());
  if (n != 0) std::memcpy(into, chunk_.data(), n);
  chunk_ = chunk_.subspan(n);
  return static_cast<ssize_t>(n);
}

ssize_t ScriptedDescriptors::writev(int fd, const iovec* parts, int count) {
  std::size_t offered = 0;
  for (int i = 0; i < count; ++i) offered += parts[i].iov_len;
  calls_.push_back({Call::Kind::writev, fd, offered});
  if (fd != kOut) {
    errno = EBADF;
    return -1;
  }
  std::size_t limit = offered;
  if (next_write_ < writes_.size()) {
    const std::uint8_t entry = writes_[next_write_++];
    if (entry >= 0x80) return fault(entry & 7, POLLOUT);
    if (entry != 0) limit = std::min<std::size_t>(limit, entry);
  }
  std::size_t left = limit;
  for (int i = 0; i < count && left != 0; ++i) {
    const std::size_t n = std::min(left, parts[i].iov_len);
    const auto* p = static_cast<const std::uint8_t*>(parts[i].iov_base);
    written_.insert(written_.end(), p, p + n);
    left -= n;
  }
  return static_cast<ssize_t>(limit);
}

int ScriptedDescriptors::poll(pollfd* fds, nfds_t count, int) {
  calls_.push_back({Call::Kind::poll, count == 1 ? fds[0].fd : -1,
                    count == 1 ? static_cast<std::size_t>(fds[0].events) : 0});
  if (count != 1) {
    errno = EINVAL;
    return -1;
  }
  PollStep step{0, fds[0].events};  // ready, when no EAGAIN asked for more
  if (!polls_.empty()) {
    step = polls_.front();
    polls_.pop_front();
  }
  if (step.error != 0) {
    errno = step.error;
    return -1;
  }
  fds[0].revents = step.revents;
  return 1;
}

}  // namespace zevra_fuzz

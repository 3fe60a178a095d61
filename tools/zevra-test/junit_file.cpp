#include "junit_file.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "harness/base/write_all.hpp"
#include "junit.hpp"

namespace zevra_test {
namespace {

// Room for the head with the largest counts and a run of 30 years.
std::size_t headRoom(std::string_view suite) {
  Tally most;
  most.counts.fill(std::numeric_limits<std::uint64_t>::max() / kVerdicts);
  return junitHead(suite, most, true, std::chrono::hours(24 * 365 * 30)).size() + 1;
}

}  // namespace

std::expected<JunitFile, std::string> JunitFile::create(const std::string& path,
                                                        std::string suite) {
  JunitFile f;
  f.path_ = path;
  f.temp_path_ = path + ".XXXXXX";
  f.fd_ = ::mkostemp(f.temp_path_.data(), O_CLOEXEC);
  if (f.fd_ < 0) {
    f.temp_path_.clear();
    return std::unexpected(std::string("cannot write: ") + ::strerror(errno));
  }
  ::fchmod(f.fd_, 0644);
  f.suite_ = std::move(suite);
  f.head_room_ = headRoom(f.suite_);
  if (::lseek(f.fd_, static_cast<off_t>(f.head_room_), SEEK_SET) < 0)
    return std::unexpected(std::string("cannot write: ") + ::strerror(errno));
  return f;
}

JunitFile::JunitFile(JunitFile&& other) noexcept
    : path_(std::move(other.path_)),
      temp_path_(std::exchange(other.temp_path_, {})),
      suite_(std::move(other.suite_)),
      fd_(std::exchange(other.fd_, -1)),
      head_room_(other.head_room_),
      failed_(other.failed_) {}

JunitFile::~JunitFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
}

bool JunitFile::write(std::string_view bytes) {
  if (!failed_ && !zevra_harness::writeAll(fd_, bytes)) failed_ = true;
  return !failed_;
}

void JunitFile::add(std::string_view full_name, const RunResult& r) {
  (void)write(junitTestcase(full_name, r));
}

std::expected<void, std::string> JunitFile::commit(const Tally& tally,
                                                   std::chrono::nanoseconds elapsed,
                                                   std::string_view cause) {
  if (!cause.empty()) (void)write(junitCause(cause));
  (void)write(kJunitTail);
  std::string head = junitHead(suite_, tally, !cause.empty(), elapsed);
  // White space between two elements: the padding reads as nothing.
  head.resize(head_room_ - 1, ' ');
  head += '\n';
  const bool written =
      !failed_ && ::pwrite(fd_, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size());
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!written || !closed || ::rename(temp_path_.c_str(), path_.c_str()) != 0)
    return std::unexpected("cannot write the report");
  temp_path_.clear();
  return {};
}

}  // namespace zevra_test

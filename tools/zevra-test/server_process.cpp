#include "server_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "harness/base/write_all.hpp"

extern char** environ;

namespace zevra_test {
namespace {

// A test that prints without end keeps its first 4 MiB.
constexpr std::size_t kMaxStderrBytes = 4u << 20;

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool waitReaped(pid_t pid, int& status, int options) {
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, options);
    if (r == pid) return true;
    if (r == 0 || errno != EINTR) return false;
  }
}

Ending endingOf(int status) {
  if (WIFEXITED(status)) return {.exited = true, .status = WEXITSTATUS(status)};
  return {.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

}  // namespace

std::string describeEnding(const Ending& e) {
  if (e.exited) return "exit status " + std::to_string(e.status);
  const char* abbrev = ::sigabbrev_np(e.signal);
  return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(e.signal);
}

std::expected<ServerProcess, std::string> ServerProcess::start(const std::string& executable) {
  std::array<int, 2> in{-1, -1}, out{-1, -1}, err{-1, -1};
  if (::pipe2(in.data(), O_CLOEXEC) != 0 || ::pipe2(out.data(), O_CLOEXEC) != 0 ||
      ::pipe2(err.data(), O_CLOEXEC) != 0) {
    const std::string why = ::strerror(errno);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      if (fd >= 0) ::close(fd);
    return std::unexpected("cannot start: " + why);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  // The client ignores SIGPIPE; the server starts with the default.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

  std::string listen = "--listen=-";
  std::array<char*, 3> argv{const_cast<char*>(executable.c_str()), listen.data(), nullptr};
  ServerProcess s;
  const int spawned =
      ::posix_spawnp(&s.pid_, executable.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  s.in_ = in[1];
  s.out_ = out[0];
  s.err_ = err[0];
  if (spawned != 0) {
    s.pid_ = -1;
    return std::unexpected("cannot start: " + std::string(::strerror(spawned)));
  }
  ::fcntl(s.out_, F_SETFL, O_NONBLOCK);
  ::fcntl(s.err_, F_SETFL, O_NONBLOCK);
  return s;
}

ServerProcess::ServerProcess(ServerProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      in_(std::exchange(other.in_, -1)),
      out_(std::exchange(other.out_, -1)),
      err_(std::exchange(other.err_, -1)),
      inbox_(std::move(other.inbox_)),
      stderr_(std::move(other.stderr_)),
      stderr_dropped_(other.stderr_dropped_) {}

ServerProcess& ServerProcess::operator=(ServerProcess&& other) noexcept {
  if (this != &other) {
    release();
    pid_ = std::exchange(other.pid_, -1);
    in_ = std::exchange(other.in_, -1);
    out_ = std::exchange(other.out_, -1);
    err_ = std::exchange(other.err_, -1);
    inbox_ = std::move(other.inbox_);
    stderr_ = std::move(other.stderr_);
    stderr_dropped_ = other.stderr_dropped_;
  }
  return *this;
}

ServerProcess::~ServerProcess() { release(); }

void ServerProcess::release() {
  if (pid_ > 0) (void)reap(Clock::now());
  closeFd(in_);
  closeFd(out_);
  closeFd(err_);
}

bool ServerProcess::send(std::span<const std::byte> bytes) {
  return in_ >= 0 && zevra_harness::writeAll(in_, bytes.data(), bytes.size());
}

// Reads what the descriptor holds now (a short read means the pipe is empty:
// no second read to learn that); closes it at its end.
void ServerProcess::readInto(int& fd, bool output) {
  std::array<char, 65536> buf;
  while (fd >= 0) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    if (n <= 0) {
      closeFd(fd);
      break;
    }
    const auto len = static_cast<std::size_t>(n);
    if (output) {
      const auto* bytes = reinterpret_cast<const std::byte*>(buf.data());
      inbox_.insert(inbox_.end(), bytes, bytes + len);
    } else {
      const std::size_t keep =
          std::min(len, kMaxStderrBytes - std::min(kMaxStderrBytes, stderr_.size()));
      stderr_.append(buf.data(), keep);
      stderr_dropped_ += len - keep;
    }
    if (len < buf.size()) break;
  }
}

void ServerProcess::readAvailable() {
  readInto(out_, true);
  readInto(err_, false);
}

std::optional<Header> ServerProcess::nextHeader() const {
  if (inbox_.size() < zevra_harness::kHeaderBytes) return std::nullopt;
  return Header{zevra_harness::loadLittleEndian(inbox_.data()),
                zevra_harness::loadLittleEndian(inbox_.data() + 4)};
}

bool ServerProcess::messageComplete() const {
  auto h = nextHeader();
  return h && inbox_.size() - zevra_harness::kHeaderBytes >= h->bytes_len;
}

Message ServerProcess::takeMessage() {
  const Header h = *nextHeader();
  const auto body = inbox_.begin() + zevra_harness::kHeaderBytes;
  Message m{h.tag, {body, body + h.bytes_len}};
  inbox_.erase(inbox_.begin(), body + h.bytes_len);
  return m;
}

std::string ServerProcess::takeStderr() {
  std::string text = std::exchange(stderr_, {});
  if (stderr_dropped_ != 0) {
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "[zevra-test: " + std::to_string(stderr_dropped_) +
            " more bytes of standard error dropped]\n";
    stderr_dropped_ = 0;
  }
  return text;
}

Ending ServerProcess::reap(Clock::time_point deadline) {
  if (pid_ <= 0) return {};
  int status = 0;
  // A server whose output just ended is usually gone already or about to be:
  // look again after short, growing pauses rather than sleeping long.
  auto pause = std::chrono::microseconds(20);
  while (!waitReaped(pid_, status, WNOHANG)) {
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      waitReaped(pid_, status, 0);
      break;
    }
    const timespec ts{0, std::chrono::nanoseconds(pause).count()};
    ::nanosleep(&ts, nullptr);
    pause = std::min(pause * 2, std::chrono::microseconds(10000));
  }
  pid_ = -1;
  closeFd(in_);
  // Everything it wrote is in the pipes now.
  readAvailable();
  closeFd(out_);
  closeFd(err_);
  return endingOf(status);
}

void ServerProcess::askToExit() {
  (void)send(exitRequest());
  closeFd(in_);
}

Ending ServerProcess::finish(Clock::time_point deadline) {
  if (in_ >= 0) askToExit();
  while (out_ >= 0 && Clock::now() < deadline) {
    const std::array<int, 2> fds{out_, err_};
    waitForInput(fds, deadline);
    readAvailable();
  }
  return reap(deadline);
}

void waitForInput(std::span<const int> fds, Clock::time_point deadline) {
  std::vector<pollfd> polled;
  for (int fd : fds)
    if (fd >= 0) polled.push_back({fd, POLLIN, 0});
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return;
  const int ms = static_cast<int>(std::min<std::int64_t>(left.count(), 1 << 30));
  if (polled.empty()) {
    ::poll(nullptr, 0, ms);
    return;
  }
  (void)::poll(polled.data(), polled.size(), ms);
}

}  // namespace zevra_test

#include "server_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "harness/base/write_all.hpp"

extern char** environ;

namespace zevra_test {
namespace {

// What may still be taken from the pipes of a server that has ended: enough
// for any report, not a flood from whatever escaped its group.
constexpr std::size_t kDrainBytes = 2u << 20;

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Which of the two descriptors (-1: none) poll finds readable now.
std::pair<bool, bool> readyNow(int a, int b) {
  std::array<pollfd, 2> p{{{a, POLLIN, 0}, {b, POLLIN, 0}}};
  if (::poll(p.data(), p.size(), 0) <= 0) return {false, false};
  return {p[0].revents != 0, p[1].revents != 0};
}

Ending endingOf(int status) {
  if (WIFEXITED(status)) return {.exited = true, .status = WEXITSTATUS(status)};
  return {.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

// One read into `buf`; 0 at the end (or an error other than an interruption).
ssize_t readOnce(int fd, std::span<char> buf) {
  for (;;) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n >= 0 || errno != EINTR) return n < 0 ? 0 : n;
  }
}

}  // namespace

std::expected<std::string, std::string> resolveExecutable(const std::string& executable) {
  const auto usable = [](const std::string& path) -> int {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EACCES;
    return ::access(path.c_str(), X_OK) == 0 ? 0 : errno;
  };
  // A path is left to execve, whose error comes back from the child.
  if (executable.find('/') != std::string::npos) return executable;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  int first_err = ENOENT;
  while (true) {
    const auto colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + executable;
    const int err = usable(candidate);
    if (err == 0) return candidate;
    if (err != ENOENT && first_err == ENOENT) first_err = err;
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return std::unexpected("cannot start: " + std::string(::strerror(first_err)));
}

std::expected<ServerProcess, std::string> ServerProcess::start(const ServerLaunch& launch) {
  std::array<int, 2> in{-1, -1}, out{-1, -1}, err{-1, -1};
  const auto fail = [&](int error) {
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      if (fd >= 0) ::close(fd);
    return std::unexpected("cannot start: " + std::string(::strerror(error)));
  };
  if (::pipe2(in.data(), O_CLOEXEC) != 0 || ::pipe2(out.data(), O_CLOEXEC) != 0 ||
      ::pipe2(err.data(), O_CLOEXEC) != 0)
    return fail(errno);

  std::string listen = "--listen=-";
  std::array<char*, 3> argv{const_cast<char*>(launch.path.c_str()), listen.data(), nullptr};
  // vfork: no copy of the client's page tables, and none of posix_spawn's
  // resetting of every signal disposition (the client handles none: the
  // signals it acts on are blocked and read from a signalfd). The child only
  // makes its own process group, asks to die with the client, moves the
  // pipes into place, restores the signal mask the client started with and
  // runs the server; what it writes before execve is the parent's memory, so
  // its error comes back that way.
  volatile int exec_error = 0;
  const pid_t pid = ::vfork();
  if (pid == 0) {
    ::setpgid(0, 0);
    // Should the client itself be killed outright, its servers go with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const std::array<int, 3> from{in[0], out[1], err[1]};
    for (int target = 0; target < 3; ++target) {
      // Descriptors 0 to 2 are open in the client, so no pipe end is one of them.
      if (::dup2(from[static_cast<std::size_t>(target)], target) < 0) {
        exec_error = errno;
        ::_exit(127);
      }
    }
    ::sigprocmask(SIG_SETMASK, &launch.mask, nullptr);
    ::execve(argv[0], argv.data(), environ);
    exec_error = errno;
    ::_exit(127);
  }
  const int spawn_error = pid < 0 ? errno : exec_error;
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  in[0] = out[1] = err[1] = -1;
  if (spawn_error != 0) {
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    return fail(spawn_error);
  }
  ServerProcess s;
  s.scratch_ = launch.scratch;
  s.pid_ = pid;
  s.in_ = in[1];
  s.out_ = out[0];
  s.err_ = err[0];
  return s;
}

ServerProcess::ServerProcess(ServerProcess&& other) noexcept
    : scratch_(other.scratch_),
      pid_(std::exchange(other.pid_, -1)),
      in_(std::exchange(other.in_, -1)),
      out_(std::exchange(other.out_, -1)),
      err_(std::exchange(other.err_, -1)),
      inbox_(std::move(other.inbox_)),
      stderr_(std::move(other.stderr_)) {}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) (void)end();
  closeFd(in_);
  closeFd(out_);
  closeFd(err_);
}

bool ServerProcess::exited() const {
  if (pid_ <= 0) return true;
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid_;
}

bool ServerProcess::send(std::span<const std::byte> bytes) {
  return in_ >= 0 && zevra_harness::writeAll(in_, bytes.data(), bytes.size());
}

bool ServerProcess::readOutput() {
  if (out_ < 0) return true;
  const std::span<char> buf = scratch_;
  const ssize_t n = readOnce(out_, buf);
  if (n == 0) {
    closeFd(out_);
    return true;
  }
  const auto* bytes = reinterpret_cast<const std::byte*>(buf.data());
  inbox_.insert(inbox_.end(), bytes, bytes + n);
  return static_cast<std::size_t>(n) < buf.size();
}

void ServerProcess::readError() {
  // A read that fills the buffer may have left more (a server can enlarge
  // its pipe): all of it belongs to the test that is running now.
  for (bool more = true; more && err_ >= 0;) {
    const ssize_t n = readOnce(err_, scratch_);
    if (n == 0) {
      closeFd(err_);
      return;
    }
    stderr_.append({scratch_.data(), static_cast<std::size_t>(n)});
    more = static_cast<std::size_t>(n) == scratch_.size() && readyNow(err_, -1).first;
  }
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

void ServerProcess::dropMessage() {
  const Header h = *nextHeader();
  inbox_.erase(inbox_.begin(), inbox_.begin() + zevra_harness::kHeaderBytes + h.bytes_len);
}

void ServerProcess::askToExit() {
  (void)send(exitRequest());
  closeFd(in_);
}

// What the pipes hold now, within kDrainBytes: the server's last words.
void ServerProcess::drain() {
  for (std::size_t round = 0; round < kDrainBytes / 65536; ++round) {
    const auto [out, err] = readyNow(out_, err_);
    if (!out && !err) break;
    if (out) (void)readOutput();
    if (err) readError();
  }
}

Ending ServerProcess::end() {
  if (pid_ <= 0) return {};
  // Before the reap, so that the group's number cannot have been reused:
  // whatever the server left running goes with it.
  ::kill(-pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  closeFd(in_);
  drain();
  closeFd(out_);
  closeFd(err_);
  return endingOf(status);
}

}  // namespace zevra_test

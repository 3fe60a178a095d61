#include "conversation.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "harness/base/write_all.hpp"
#include "harness/portable/diagnostics/number_text.hpp"
#include "zevra_harness/print.hpp"

namespace protocol_test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDeadline = std::chrono::seconds(30);

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

Bytes u32le(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes header(std::uint32_t tag, std::uint32_t bytes_len) {
  return cat({u32le(tag), u32le(bytes_len)});
}
Bytes runTest(std::uint32_t index) { return cat({header(5, 4), u32le(index)}); }
Bytes testResults(std::uint32_t index, std::uint32_t flags) {
  return cat({header(4, 8), u32le(index), u32le(flags)});
}

Bytes testMetadata(const std::vector<std::string_view>& names) {
  Bytes table{0};
  Bytes offsets, panics;
  for (std::string_view name : names) {
    offsets = cat({offsets, u32le(static_cast<std::uint32_t>(table.size()))});
    panics = cat({panics, u32le(0)});
    table.insert(table.end(), name.begin(), name.end());
    table.push_back(0);
  }
  Bytes body = cat({u32le(static_cast<std::uint32_t>(table.size())),
                    u32le(static_cast<std::uint32_t>(names.size())), offsets, panics, table});
  return cat({header(3, static_cast<std::uint32_t>(body.size())), body});
}

std::string hex(const Bytes& b) {
  std::string s;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i != 0) s += ' ';
    if (b[i] < 0x10) s += '0';
    s += zevra_harness::detail::NumberText(b[i], 16).view();
  }
  return s;
}

std::string_view expectedVersion() {
#if defined(__clang__)
  return "clang " __clang_version__;
#else
  return "gcc " __VERSION__;
#endif
}

Peer::Peer(const char* path, std::vector<std::string> args, Wiring wiring) {
  int to_runner[2], from_runner[2];
  if (::pipe2(to_runner, O_CLOEXEC) != 0) return;
  if (::pipe2(from_runner, O_CLOEXEC) != 0) {
    ::close(to_runner[0]), ::close(to_runner[1]);
    return;
  }
  // The runner's ends share their file status with ours until we close them.
  if (wiring.nonblocking) {
    ::fcntl(to_runner[0], F_SETFL, O_NONBLOCK);
    ::fcntl(from_runner[1], F_SETFL, O_NONBLOCK);
  }
  const int input = wiring.input ? ::open(wiring.input, O_RDONLY | O_CLOEXEC) : to_runner[0];
  const int output = wiring.output ? ::open(wiring.output, O_WRONLY | O_CLOEXEC) : from_runner[1];
  err_ = ::memfd_create("runner-stderr", MFD_CLOEXEC);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path));
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::dup2(input, 0);
    ::dup2(output, 1);
    ::dup2(err_, 2);
    ::execv(path, argv.data());
    ::_exit(127);
  }
  ::close(to_runner[0]);
  ::close(from_runner[1]);
  if (input != to_runner[0]) ::close(input);
  if (output != from_runner[1]) ::close(output);
  in_ = to_runner[1];
  out_ = from_runner[0];
}

Peer::~Peer() {
  closeFd(in_);
  closeFd(out_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  closeFd(err_);
}

bool Peer::send(const Bytes& b) {
  return in_ >= 0 && zevra_harness::writeAll(in_, b.data(), b.size());
}

bool Peer::sendOneByteAtATime(const Bytes& b) {
  for (std::uint8_t byte : b) {
    if (!send({byte})) return false;
    // Give the runner time to take each byte in a read of its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::optional<Bytes> Peer::receive(std::size_t n) {
  Bytes got(n);
  std::size_t have = 0;
  const auto end = Clock::now() + kDeadline;
  while (have < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    ssize_t r = ::read(out_, got.data() + have, n - have);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return std::nullopt;
    have += static_cast<std::size_t>(r);
  }
  return got;
}

bool Peer::expectBytes(const Bytes& expected) {
  std::optional<Bytes> got = receive(expected.size());
  if (got && *got == expected) return true;
  zevra_harness::print("\n  expected stdout bytes: {}\n  got: {}\n",
                       std::string_view(hex(expected)),
                       std::string_view(got ? hex(*got) : std::string("(end of output)")));
  return false;
}

bool Peer::receiveVersion() {
  std::string_view v = expectedVersion();
  Bytes expected = header(0, static_cast<std::uint32_t>(v.size()));
  expected.insert(expected.end(), v.begin(), v.end());
  return expectBytes(expected);
}

void Peer::closeInput() { closeFd(in_); }
void Peer::closeOutput() { closeFd(out_); }

bool Peer::stillRunningAfter(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

Ending Peer::wait(Bytes* rest_of_output) {
  Ending e;
  int status = 0;
  const auto end = Clock::now() + kDeadline;
  pid_t done = 0;
  while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (done == 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    e.err = "(killed after 30 s)\n";
  }
  pid_ = -1;
  e.exited = WIFEXITED(status);
  e.status = e.exited ? WEXITSTATUS(status) : 0;
  e.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;

  char buf[4096];
  ssize_t r;
  for (off_t at = 0; (r = ::pread(err_, buf, sizeof buf, at)) > 0; at += r)
    e.err.append(buf, static_cast<std::size_t>(r));
  if (rest_of_output != nullptr && out_ >= 0) {
    // The runner is gone, so its end of the pipe is closed: read to the end.
    while ((r = ::read(out_, buf, sizeof buf)) > 0)
      rest_of_output->insert(rest_of_output->end(), buf, buf + r);
  }
  return e;
}

bool endedWith(const Ending& e, int status, std::string_view err) {
  if (e.exited && e.status == status && e.err == err) return true;
  zevra_harness::print(
      "\n  expected exit status {} and stderr \"{}\"\n  got {} {} and stderr \"{}\"\n", status, err,
      std::string_view(e.exited ? "exit status" : "signal"), e.exited ? e.status : e.signal,
      std::string_view(e.err));
  return false;
}

bool endedWithPanic(const Ending& e, std::string_view message, std::string_view before) {
  // `before`, "thread {id} panic: {message}\n", then the stack trace.
  std::string_view err = e.err;
  bool ok = !e.exited && e.signal == SIGABRT && err.starts_with(before);
  err.remove_prefix(ok ? before.size() : 0);
  ok = ok && err.starts_with("thread ");
  if (ok) {
    std::size_t digits = err.find_first_not_of("0123456789", 7);
    ok = digits != 7 && digits != std::string_view::npos &&
         err.substr(digits).starts_with(std::string(" panic: ") + std::string(message) + "\n");
  }
  if (ok) return true;
  zevra_harness::print(
      "\n  expected abort with \"{}\" and panic \"{}\"\n  got {} {} and stderr \"{}\"\n", before,
      message, std::string_view(e.exited ? "exit status" : "signal"),
      e.exited ? e.status : e.signal, std::string_view(e.err));
  return false;
}

}  // namespace protocol_test

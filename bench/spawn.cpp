#include "spawn.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

extern char** environ;

namespace zevra_bench {
namespace {

int waitExit(pid_t pid, ChildUsage* used = nullptr) {
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) return -1;
  if (used != nullptr) {
    using std::chrono::microseconds;
    using std::chrono::seconds;
    used->cpu = seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    used->minor_faults = usage.ru_minflt;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int runToExit(std::span<char* const> argv, const char* output_path, ChildUsage* usage) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // No O_TRUNC: every run writes the same bytes over the last run's, so the
  // file holds one run's output and no run pays for freeing the previous one.
  posix_spawn_file_actions_addopen(&actions, 1, output_path, O_WRONLY | O_CREAT, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int err = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return err == 0 ? waitExit(pid, usage) : -1;
}

PipedChild startPiped(std::span<char* const> argv) {
  int in[2];
  int out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return {};
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return {};
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  PipedChild child;
  const int err = ::posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  child.to_child = in[1];
  child.from_child = out[0];
  if (err != 0) {
    child.pid = -1;
    finish(child);
  }
  return child;
}

int finish(PipedChild& child) {
  if (child.to_child >= 0) ::close(child.to_child);
  if (child.from_child >= 0) ::close(child.from_child);
  child.to_child = child.from_child = -1;
  const int status = child.pid > 0 ? waitExit(child.pid) : -1;
  child.pid = -1;
  return status;
}

bool writeAll(int fd, const void* data, std::size_t len) {
  const auto* p = static_cast<const std::byte*>(data);
  while (len > 0) {
    const ssize_t n = ::write(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

bool readAll(int fd, void* data, std::size_t len) {
  auto* p = static_cast<std::byte*>(data);
  while (len > 0) {
    const ssize_t n = ::read(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zevra_bench

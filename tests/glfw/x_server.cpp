#include "x_server.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace glfw_window {

namespace {

std::string failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::expected<XServer, std::string> startXvfb(const char* log_path) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return std::unexpected(failed("pipe"));
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) return std::unexpected(failed("fork"));
  if (pid == 0) {
    // Ends with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(126);
    const int log = open(log_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    // Descriptor 3 carries the display number once the server is ready.
    if (ready[1] == 3) {
      fcntl(3, F_SETFD, 0);
    } else {
      dup2(ready[1], 3);
    }
    execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  std::string text;
  char buf[16];
  for (;;) {
    const ssize_t n = read(ready[0], buf, sizeof buf);
    if (n > 0) {
      text.append(buf, static_cast<std::size_t>(n));
      if (text.find('\n') != std::string::npos) break;
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(ready[0]);
  int display = -1;
  if (std::from_chars(text.data(), text.data() + text.size(), display).ec == std::errc{}) {
    return XServer{pid, display};
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    return std::unexpected("Xvfb not found on PATH (Debian: xvfb)");
  }
  return std::unexpected(std::string("Xvfb opened no display (status ") + std::to_string(status) +
                         "); see " + log_path);
}

void stopXvfb(XServer& server) {
  if (server.pid <= 0) return;
  kill(server.pid, SIGTERM);
  int status = 0;
  waitpid(server.pid, &status, 0);
  server.pid = -1;
}

}  // namespace glfw_window

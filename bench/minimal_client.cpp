// The floor of a protocol client: a static program that starts the server
// with three pipes, lists its tests, runs one test (argv[2], a registry
// index) or every test ("all"), one request at a time with the server's
// standard error read as it comes, asks it to exit, waits for it and prints
// one line per run. Only what any client of the design must do, and no
// checking beyond the sizes it reads.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

int in_fd, out_fd, err_fd;
std::vector<char> inbox;

// Reads until `want` bytes of standard output are in, draining standard error.
bool fill(std::size_t want) {
  char buf[65536];
  while (inbox.size() < want) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    if (::poll(fds, err_fd >= 0 ? 2 : 1, -1) < 0) return false;
    if (fds[1].revents != 0 && ::read(err_fd, buf, sizeof buf) <= 0) err_fd = -1;
    if (fds[0].revents != 0) {
      const ssize_t n = ::read(out_fd, buf, sizeof buf);
      if (n <= 0) return false;
      inbox.insert(inbox.end(), buf, buf + n);
    }
  }
  return true;
}

std::uint32_t u32(std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, inbox.data() + at, 4);
  return v;
}

// One whole message: its body, the header dropped.
bool message(std::string& body) {
  if (!fill(8)) return false;
  const std::size_t len = u32(4);
  if (!fill(8 + len)) return false;
  body.assign(inbox.data() + 8, len);
  inbox.erase(inbox.begin(), inbox.begin() + static_cast<std::ptrdiff_t>(8 + len));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
    return 2;
  char listen[] = "--listen=-";
  char* server_argv[] = {argv[1], listen, nullptr};
  const pid_t pid = ::vfork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::execve(argv[1], server_argv, environ);
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  in_fd = in[1], out_fd = out[0], err_fd = err[0];

  const std::uint32_t query[2] = {4, 0};
  if (::write(in_fd, query, sizeof query) != sizeof query) return 2;
  std::string version, metadata, answer;
  if (!message(version) || !message(metadata)) return 2;
  const std::uint32_t count = [&] {
    std::uint32_t n;
    std::memcpy(&n, metadata.data() + 4, 4);
    return n;
  }();
  const char* table = metadata.data() + 8 + 8 * std::size_t{count};
  const auto nameOf = [&](std::uint32_t i) {
    std::uint32_t at;
    std::memcpy(&at, metadata.data() + 8 + 4 * std::size_t{i}, 4);
    return table + at;
  };

  const bool all = std::strcmp(argv[2], "all") == 0;
  const std::uint32_t first = all ? 0 : static_cast<std::uint32_t>(std::atoi(argv[2]));
  const std::uint32_t last = all ? count : first + 1;
  std::string lines;
  int status = 0;
  for (std::uint32_t i = first; i < last; ++i) {
    const std::uint32_t request[3] = {5, 4, i};
    if (::write(in_fd, request, sizeof request) != sizeof request || !message(answer)) return 2;
    std::uint32_t flags;
    std::memcpy(&flags, answer.data() + 4, 4);
    status |= (flags & ~2u) != 0 ? 1 : 0;
    lines += (flags & ~2u) != 0 ? "fail " : (flags & 2u) != 0 ? "skip " : "ok ";
    lines += nameOf(i);
    lines += '\n';
  }
  const std::uint32_t exit_request[2] = {0, 0};
  (void)::write(in_fd, exit_request, sizeof exit_request);
  ::close(in_fd);
  int wait_status = 0;
  if (::waitpid(pid, &wait_status, 0) != pid) return 2;
  (void)::write(1, lines.data(), lines.size());
  return status;
}

#pragma once
// One server: the executable started with --listen=- on three pipes, in a
// process group of its own. Its death is seen from its exit (SIGCHLD, then
// waitid), whoever else holds its pipes; ending it ends its whole group.
// Reads happen only when poll said a descriptor is ready, one read each, so
// one thread can serve many servers and every wait has a deadline.

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "messages.hpp"
#include "run_result.hpp"
#include "stderr_capture.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

using Clock = std::chrono::steady_clock;

// What every server starts with: the executable (its path resolved once),
// the signal mask the client itself started with, and the buffer its reads
// go through (shared by all servers of the one thread, on the heap, so that
// only the pages a read fills are ever touched).
struct ServerLaunch {
  std::string path;
  sigset_t mask{};
  std::span<char> scratch;
};
// The path of `executable` as execve needs it: searched in PATH when it holds
// no slash. The error names why it cannot be started.
std::expected<std::string, std::string> resolveExecutable(const std::string& executable);

class ServerProcess {
 public:
  // The error names why it could not start ("cannot start: No such file or directory").
  static std::expected<ServerProcess, std::string> start(const ServerLaunch& launch);
  ServerProcess(ServerProcess&& other) noexcept;
  ServerProcess& operator=(ServerProcess&&) = delete;
  ~ServerProcess();  // ends the group and reaps a server still running

  bool send(std::span<const std::byte> bytes);

  // The descriptors to poll for reading; -1 once done with.
  int outputFd() const { return out_; }
  int errorFd() const { return err_; }
  // Whether the process has ended (it is not reaped yet: its group's number
  // stays its own until end()).
  bool exited() const;

  // One read of standard output, and of standard error as many as it takes
  // to empty it, when poll reported them ready; a descriptor at its end is
  // closed. False from readOutput when the read filled its buffer (more may
  // be waiting).
  bool readOutput();
  void readError();

  // The bytes of standard output not yet taken.
  std::span<const std::byte> inbox() const { return inbox_; }
  std::optional<Header> nextHeader() const;
  bool messageComplete() const;
  Message takeMessage();
  // Takes the next message without copying its body.
  void dropMessage();

  StderrCapture& stderrCapture() { return stderr_; }

  // Sends `exit` and closes its input.
  void askToExit();
  // Kills its group (the process itself, if it still runs, and whatever it
  // left running); reaps it, takes in what its pipes hold and closes them.
  Ending end();
  bool running() const { return pid_ > 0; }

 private:
  ServerProcess() = default;
  void drain();

  std::span<char> scratch_;
  pid_t pid_ = -1;
  int in_ = -1;   // its standard input
  int out_ = -1;  // its standard output
  int err_ = -1;  // its standard error
  std::vector<std::byte> inbox_;
  StderrCapture stderr_;
};

}  // namespace zevra_test

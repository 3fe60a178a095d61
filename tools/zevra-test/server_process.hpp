#pragma once
// One server: the executable started with --listen=- on three pipes. Its
// standard output is gathered into whole protocol messages and its standard
// error into text, both read without blocking, so that one thread can serve
// many servers; every wait on it has a deadline.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "messages.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

using Clock = std::chrono::steady_clock;

// How a server process ended.
struct Ending {
  bool exited = false;  // else killed by `signal`
  int status = 0;
  int signal = 0;
};
// "exit status 3", "SIGSEGV".
std::string describeEnding(const Ending& e);

class ServerProcess {
 public:
  // The error names why it could not start ("cannot start: No such file or directory").
  static std::expected<ServerProcess, std::string> start(const std::string& executable);
  ServerProcess(ServerProcess&& other) noexcept;
  ServerProcess& operator=(ServerProcess&& other) noexcept;
  ~ServerProcess();  // kills and reaps a server that is still running

  bool send(std::span<const std::byte> bytes);

  // The descriptors to poll for reading; -1 once they reached their end.
  int outputFd() const { return out_; }
  int errorFd() const { return err_; }
  bool outputOpen() const { return out_ >= 0; }

  // Takes in whatever both descriptors hold now, without blocking.
  void readAvailable();

  // The next message's header once its 8 bytes are in; whether its body is too.
  std::optional<Header> nextHeader() const;
  bool messageComplete() const;
  Message takeMessage();
  std::size_t bufferedOutput() const { return inbox_.size(); }

  // Standard error gathered since the last call.
  std::string takeStderr();

  // Waits until `deadline` for the process to end by itself, then kills it;
  // reaps it and takes in the rest of its standard error.
  Ending reap(Clock::time_point deadline);
  // Sends `exit` and closes its input; then waits until `deadline` for it to
  // end, and reaps it (asking first if that was not done).
  void askToExit();
  Ending finish(Clock::time_point deadline);

 private:
  ServerProcess() = default;
  void release();
  void readInto(int& fd, bool output);

  pid_t pid_ = -1;
  int in_ = -1;   // its standard input
  int out_ = -1;  // its standard output
  int err_ = -1;  // its standard error
  std::vector<std::byte> inbox_;
  std::string stderr_;
  std::size_t stderr_dropped_ = 0;
};

// Waits until one of `fds` (entries of -1 are ignored) is readable or closed,
// or until `deadline`.
void waitForInput(std::span<const int> fds, Clock::time_point deadline);

}  // namespace zevra_test

#pragma once
// The build runner's side of a conversation, for the protocol tests: starts a
// runner with "--listen=-" on two pipes (standard error into a file), sends
// raw bytes and reads the replies exactly, with a deadline so that a silent
// runner fails the test instead of hanging it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol_test {

using Bytes = std::vector<std::uint8_t>;

// Little-endian building blocks of the expected bytes.
Bytes u32le(std::uint32_t v);
Bytes cat(std::initializer_list<Bytes> parts);
Bytes header(std::uint32_t tag, std::uint32_t bytes_len);
Bytes runTest(std::uint32_t index);  // the 12 bytes of a run_test request
Bytes testResults(std::uint32_t index, std::uint32_t flags);
std::string hex(const Bytes& b);
// The whole test_metadata message for a registry with these names.
Bytes testMetadata(const std::vector<std::string_view>& names);

// The version message a runner built by this toolchain sends first.
std::string_view expectedVersion();

struct Ending {
  bool exited = false;  // else killed by `signal`
  int status = 0;
  int signal = 0;
  std::string err;  // all of standard error
};

// How the runner's standard input and output are wired: pipes (left
// blocking, or made non-blocking as a parent sharing them might), or files.
struct Wiring {
  bool nonblocking = false;
  const char* input = nullptr;   // a file to read instead of the pipe
  const char* output = nullptr;  // a file to write instead of the pipe
};

class Peer {
 public:
  // Starts `path` with "--listen=-" (or the given arguments) and no input yet.
  explicit Peer(const char* path, std::vector<std::string> args = {"--listen=-"},
                Wiring wiring = {});
  ~Peer();  // kills the runner if it is still there
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool started() const { return pid_ > 0; }
  bool send(const Bytes& b);
  bool sendOneByteAtATime(const Bytes& b);
  // Exactly n bytes, or nullopt at the end of output or after 30 s.
  std::optional<Bytes> receive(std::size_t n);
  // Reads the version message and compares it; prints what differs.
  bool receiveVersion();
  // Reads `expected.size()` bytes and compares them; prints what differs.
  bool expectBytes(const Bytes& expected);
  void closeInput();
  void closeOutput();
  // True if the runner is still running after `ms` milliseconds.
  bool stillRunningAfter(int ms);
  // Waits for the end (30 s at most, then kills it) and collects standard
  // error and whatever is left on standard output.
  Ending wait(Bytes* rest_of_output = nullptr);

 private:
  pid_t pid_ = -1;
  int in_ = -1;   // the runner's standard input
  int out_ = -1;  // the runner's standard output
  int err_ = -1;  // a file holding its standard error
};

// Checks of a whole ending, printing what differs. A panic's standard error
// starts with `before` (a cause logged just before it).
bool endedWith(const Ending& e, int status, std::string_view err);
bool endedWithPanic(const Ending& e, std::string_view message, std::string_view before = "");

}  // namespace protocol_test

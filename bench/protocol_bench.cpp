// The build-runner protocol over real pipes, each contender in turn with its
// baseline (interleave.hpp): the round trip of run_test of a trivial test and
// of query_test_metadata, each beside a bare pipe ping-pong of the same
// message sizes, both read by the client the same way (what the pipe holds,
// in one read when the answer is there whole); and all 52 tests over one
// session (start, the test list, every test, exit) beside a terminal-mode
// run of the same tests, with the requests written in one go and one at a
// time.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "interleave.hpp"
#include "spawn.hpp"

namespace {

constexpr std::uint32_t tag_exit = 0;
constexpr std::uint32_t tag_query_test_metadata = 4;
constexpr std::uint32_t tag_run_test = 5;

void putU32(std::byte* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}

std::uint32_t getU32(const std::byte* at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | std::to_integer<std::uint32_t>(at[i]);
  return v;
}

// One whole message read into a buffer kept from call to call: what the pipe
// holds, then more until the header and the body it announces are there. A
// client of the protocol reads this way; the ping-pong's client reads the
// same bytes so.
struct Message {
  std::vector<std::byte> bytes = std::vector<std::byte>(65536);
  std::size_t size = 0;
  const std::byte* data() const { return bytes.data(); }
};

bool readMessage(int fd, Message& message) {
  std::size_t want = 8;
  message.size = 0;
  while (message.size < want) {
    const ssize_t n =
        ::read(fd, message.bytes.data() + message.size, message.bytes.size() - message.size);
    if (n <= 0) return false;
    message.size += static_cast<std::size_t>(n);
    if (message.size >= 8) want = 8 + std::size_t{getU32(message.data() + 4)};
    if (want > message.bytes.size()) message.bytes.resize(want);
  }
  return message.size == want;  // nothing of a next message: none was asked for
}

std::vector<std::byte> request(std::uint32_t tag, std::initializer_list<std::uint32_t> body) {
  std::vector<std::byte> r(8 + 4 * body.size());
  putU32(r.data(), tag);
  putU32(r.data() + 4, static_cast<std::uint32_t>(4 * body.size()));
  std::size_t at = 8;
  for (std::uint32_t v : body) putU32(r.data() + (at += 4) - 4, v);
  return r;
}

// The self-test in protocol mode, past its version message.
struct Server {
  zevra_bench::PipedChild child;
  bool ok = false;

  Server() {
    std::array<char*, 3> argv{const_cast<char*>(ZEVRA_SELFTEST), const_cast<char*>("--listen=-"),
                              nullptr};
    child = zevra_bench::startPiped(argv);
    Message version;
    ok = child.pid > 0 && readMessage(child.from_child, version) && getU32(version.data()) == 0;
  }
  ~Server() { (void)exit(); }
  // Sends `exit` and waits for the process: true if it ended with status 0.
  bool exit() {
    if (child.pid < 0) return false;
    const std::vector<std::byte> bye = request(tag_exit, {});
    (void)zevra_bench::writeAll(child.to_child, bye.data(), bye.size());
    return zevra_bench::finish(child) == 0;
  }
  // Waits for the process to end by itself, its output left to be read.
  bool ended() {
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0)
      if (errno != EINTR) return false;
    child.pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  // Sends one request and reads one whole answer into `answer`.
  bool roundTrip(const std::vector<std::byte>& message, Message& answer) {
    return zevra_bench::writeAll(child.to_child, message.data(), message.size()) &&
           readMessage(child.from_child, answer);
  }
};

// A forked child that reads `request` bytes and answers `answer` bytes until
// its input ends: the least a round trip over two pipes can cost.
struct PingPong {
  zevra_bench::PipedChild child;
  std::vector<std::byte> out;
  Message in;
  bool ok = false;

  std::size_t answer_bytes;

  PingPong(std::size_t request, std::size_t answer) : out(request), answer_bytes(answer) {
    int down[2];
    int up[2];
    if (::pipe(down) != 0) return;
    if (::pipe(up) != 0) {
      ::close(down[0]);
      ::close(down[1]);
      return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(down[1]);
      ::close(up[0]);
      // The answer announces its own length, as a message does.
      std::vector<std::byte> got(request), reply(answer);
      putU32(reply.data() + 4, static_cast<std::uint32_t>(answer - 8));
      while (zevra_bench::readAll(down[0], got.data(), request) &&
             zevra_bench::writeAll(up[1], reply.data(), answer)) {
      }
      ::_exit(0);
    }
    ::close(down[0]);
    ::close(up[1]);
    child = {pid, down[1], up[0]};
    ok = pid > 0;
  }
  ~PingPong() { (void)zevra_bench::finish(child); }
  bool roundTrip() {
    return zevra_bench::writeAll(child.to_child, out.data(), out.size()) &&
           readMessage(child.from_child, in) && in.size == answer_bytes;
  }
};

// The wall-clock time of `round_trip`, or nothing when it failed.
template <typename F>
std::optional<std::chrono::nanoseconds> timed(F&& round_trip) {
  const auto start = std::chrono::steady_clock::now();
  if (!round_trip()) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                              start);
}

// The server's round trip and its ping-pong in turn.
void roundTripsInTurn(benchmark::State& state, Server& server, PingPong& pong,
                      const std::function<bool()>& server_round_trip) {
  if (!server.ok) return state.SkipWithError("zevra-selftest --listen=- did not start");
  if (!pong.ok) return state.SkipWithError("the ping-pong child did not start");
  const std::array<zevra_bench::Contender, 2> contenders{{
      {"zevra-selftest --listen=-", [&] { return timed(server_round_trip); }},
      {"pipe ping-pong " + std::to_string(pong.out.size()) +
           " B : " + std::to_string(pong.answer_bytes) + " B",
       [&] { return timed([&] { return pong.roundTrip(); }); }, true},
  }};
  zevra_bench::runInTurn(state, contenders);
}

void runTest(benchmark::State& state) {
  Server server;
  PingPong pong(12, 16);
  const std::vector<std::byte> run_first = request(tag_run_test, {0});  // a trivial test
  Message answer;
  roundTripsInTurn(state, server, pong, [&] {
    // test_results for index 0 with no flag set: the test passed.
    return server.roundTrip(run_first, answer) && answer.size == 16 && getU32(answer.data()) == 4 &&
           getU32(answer.data() + 8) == 0 && getU32(answer.data() + 12) == 0;
  });
}

void queryMetadata(benchmark::State& state) {
  Server server;
  // 3048 bytes: the metadata answer of the 52 registered tests, header included.
  PingPong pong(8, 3048);
  const std::vector<std::byte> query = request(tag_query_test_metadata, {});
  Message answer;
  roundTripsInTurn(state, server, pong, [&] { return server.roundTrip(query, answer); });
  state.counters["answer_bytes"] = static_cast<double>(answer.size);
}

constexpr std::uint32_t registered_tests = 52;

// How a session's client sends its requests.
enum class Requests {
  at_once,        // the test list, every run_test and exit in one write; the
                  // answers read once the process has ended (they fit in the
                  // pipe, 3880 bytes)
  ahead,          // every run_test in one write, the answers read as they come
  one_at_a_time,  // each request waits for the answer to the one before
};

// A whole session: start, the test list, every test, exit, to the reaped
// process; false unless every test passed and the process ended with 0.
bool session(Requests how) {
  Server server;
  if (!server.ok) return false;
  const std::vector<std::byte> query = request(tag_query_test_metadata, {});
  std::vector<std::byte> all;
  Message answer;
  if (how == Requests::at_once) {
    all = query;
  } else if (!server.roundTrip(query, answer)) {
    return false;
  }
  for (std::uint32_t i = 0; i < registered_tests; ++i) {
    const std::vector<std::byte> one = request(tag_run_test, {i});
    if (how != Requests::one_at_a_time) {
      all.insert(all.end(), one.begin(), one.end());
    } else if (!server.roundTrip(one, answer) || getU32(answer.data() + 12) != 0) {
      return false;
    }
  }
  if (how == Requests::one_at_a_time) return server.exit();
  if (how == Requests::at_once) {
    const std::vector<std::byte> bye = request(tag_exit, {});
    all.insert(all.end(), bye.begin(), bye.end());
  }
  const int in = server.child.from_child;
  if (!zevra_bench::writeAll(server.child.to_child, all.data(), all.size())) return false;
  std::vector<std::byte> results(registered_tests * 16);
  if (how == Requests::at_once) {
    // The test list, then the results, then the end of the output.
    std::byte end;
    if (!server.ended() || !zevra_bench::readAll(in, answer.bytes.data(), 8) ||
        !zevra_bench::readAll(in, answer.bytes.data(), getU32(answer.data() + 4)) ||
        !zevra_bench::readAll(in, results.data(), results.size()) || ::read(in, &end, 1) != 0)
      return false;
  } else if (!zevra_bench::readAll(in, results.data(), results.size())) {
    return false;
  }
  for (std::uint32_t i = 0; i < registered_tests; ++i)
    if (getU32(results.data() + 16 * i + 8) != i || getU32(results.data() + 16 * i + 12) != 0)
      return false;
  return how == Requests::at_once || server.exit();
}

// A terminal-mode run of the same tests, standard error to a file.
bool terminalRun() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string output =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/zevra-bench-session.txt";
  std::array<char*, 2> argv{const_cast<char*>(ZEVRA_SELFTEST), nullptr};
  return zevra_bench::runToExit(argv, output.c_str()) == 0;
}

void sessions(benchmark::State& state) {
  const std::array<zevra_bench::Contender, 4> contenders{{
      {"one session, all requests in one write",
       [] { return timed([] { return session(Requests::at_once); }); }},
      {"one session, run_test requests in one write",
       [] { return timed([] { return session(Requests::ahead); }); }},
      {"one session, one request at a time",
       [] { return timed([] { return session(Requests::one_at_a_time); }); }},
      {"terminal mode", [] { return timed(terminalRun); }, true},
  }};
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

BENCHMARK(runTest)->Name("protocol_run_test/in turn")->UseManualTime();
BENCHMARK(queryMetadata)->Name("protocol_metadata/in turn")->UseManualTime();
BENCHMARK(sessions)
    ->Name("protocol_session/in turn")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

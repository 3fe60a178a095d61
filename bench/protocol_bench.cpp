// The build-runner protocol's request round trip over real pipes: run_test of
// a trivial test and query_test_metadata, each beside a bare pipe ping-pong
// of the same message sizes (the baseline), the two in turn (interleave.hpp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
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

// The self-test in protocol mode, past its version message.
struct Server {
  zevra_bench::PipedChild child;
  bool ok = false;

  Server() {
    std::array<char*, 3> argv{const_cast<char*>(ZEVRA_SELFTEST), const_cast<char*>("--listen=-"),
                              nullptr};
    child = zevra_bench::startPiped(argv);
    std::byte header[8];
    if (child.pid < 0 || !zevra_bench::readAll(child.from_child, header, 8)) return;
    std::vector<std::byte> version(getU32(header + 4));
    ok = getU32(header) == 0 &&
         zevra_bench::readAll(child.from_child, version.data(), version.size());
  }
  ~Server() {
    std::byte bye[8];
    putU32(bye, tag_exit);
    putU32(bye + 4, 0);
    (void)zevra_bench::writeAll(child.to_child, bye, 8);
    (void)zevra_bench::finish(child);
  }
  // Sends one request and reads one whole answer into `answer`.
  bool roundTrip(const std::byte* request, std::size_t len, std::vector<std::byte>& answer) {
    std::byte header[8];
    if (!zevra_bench::writeAll(child.to_child, request, len) ||
        !zevra_bench::readAll(child.from_child, header, 8))
      return false;
    answer.resize(8 + getU32(header + 4));
    std::memcpy(answer.data(), header, 8);
    return zevra_bench::readAll(child.from_child, answer.data() + 8, answer.size() - 8);
  }
};

// A forked child that reads `request` bytes and answers `answer` bytes until
// its input ends: the least a round trip over two pipes can cost.
struct PingPong {
  zevra_bench::PipedChild child;
  std::vector<std::byte> out, in;
  bool ok = false;

  PingPong(std::size_t request, std::size_t answer) : out(request), in(answer) {
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
      std::vector<std::byte> buf(request > answer ? request : answer);
      while (zevra_bench::readAll(down[0], buf.data(), request) &&
             zevra_bench::writeAll(up[1], buf.data(), answer)) {
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
           zevra_bench::readAll(child.from_child, in.data(), in.size());
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
           " B : " + std::to_string(pong.in.size()) + " B",
       [&] { return timed([&] { return pong.roundTrip(); }); }, true},
  }};
  zevra_bench::runInTurn(state, contenders);
}

void runTest(benchmark::State& state) {
  Server server;
  PingPong pong(12, 16);
  std::byte request[12];
  putU32(request, tag_run_test);
  putU32(request + 4, 4);
  putU32(request + 8, 0);  // the first test of the registry, a trivial one
  std::vector<std::byte> answer;
  roundTripsInTurn(state, server, pong, [&] {
    // test_results for index 0 with no flag set: the test passed.
    return server.roundTrip(request, sizeof request, answer) && answer.size() == 16 &&
           getU32(answer.data()) == 4 && getU32(answer.data() + 8) == 0 &&
           getU32(answer.data() + 12) == 0;
  });
}

void queryMetadata(benchmark::State& state) {
  Server server;
  // 3048 bytes: the metadata answer of the 52 registered tests, header included.
  PingPong pong(8, 3048);
  std::byte request[8];
  putU32(request, tag_query_test_metadata);
  putU32(request + 4, 0);
  std::vector<std::byte> answer;
  roundTripsInTurn(state, server, pong,
                   [&] { return server.roundTrip(request, sizeof request, answer); });
  state.counters["answer_bytes"] = static_cast<double>(answer.size());
}

}  // namespace

BENCHMARK(runTest)->Name("protocol_run_test/in turn")->UseManualTime();
BENCHMARK(queryMetadata)->Name("protocol_metadata/in turn")->UseManualTime();

BENCHMARK_MAIN();

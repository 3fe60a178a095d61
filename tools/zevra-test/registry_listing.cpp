#include "registry_listing.hpp"

#include <array>
#include <utility>

namespace zevra_test {
namespace {

// The server's standard error, after the line that says what went wrong.
std::string withStderr(std::string problem, ServerProcess& server) {
  return problem + "\n" + server.takeStderr();
}

// Waits up to `limit` for the next whole message of one server, checking its
// header as soon as it is in.
std::expected<Message, std::string> awaitMessage(ServerProcess& server, Awaited awaited,
                                                 std::chrono::milliseconds limit) {
  const bool version = awaited == Awaited::version;
  const auto deadline = Clock::now() + limit;
  for (;;) {
    if (auto header = server.nextHeader()) {
      if (auto checked = checkHeader(awaited, *header); !checked) {
        (void)server.reap(Clock::now());
        return std::unexpected(withStderr(checked.error(), server));
      }
      if (server.messageComplete()) return server.takeMessage();
    }
    if (!server.outputOpen()) {
      const auto header = server.nextHeader();
      const std::size_t got = server.bufferedOutput();
      const Ending ending = server.reap(Clock::now() + std::chrono::seconds(2));
      std::string what =
          version ? "exited before announcing itself"
          : !header
              ? "exited before sending its test list"
              : "ended in the middle of its test list: " + std::to_string(got) + " of " +
                    std::to_string(zevra_harness::kHeaderBytes + header->bytes_len) + " bytes";
      return std::unexpected(withStderr(what + " (" + describeEnding(ending) + ")", server));
    }
    if (Clock::now() >= deadline) {
      (void)server.reap(Clock::now());
      return std::unexpected(withStderr(
          std::string(version ? "did not announce itself" : "did not send its test list") +
              " within " + limitText(limit),
          server));
    }
    const std::array<int, 2> fds{server.outputFd(), server.errorFd()};
    waitForInput(fds, deadline);
    server.readAvailable();
  }
}

}  // namespace

std::string limitText(std::chrono::milliseconds limit) {
  std::string text = std::to_string(limit.count() / 1000);
  if (const auto frac = limit.count() % 1000; frac != 0) {
    std::string digits = std::to_string(1000 + frac).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + " s";
}

std::expected<Listing, std::string> listRegistry(const std::string& executable,
                                                 std::chrono::milliseconds timeout) {
  auto server = ServerProcess::start(executable);
  if (!server) return std::unexpected(server.error() + "\n");
  // The request waits in the pipe until the server has announced itself,
  // which saves a round trip.
  (void)server->send(testMetadataRequest());
  auto version = awaitMessage(*server, Awaited::version, timeout);
  if (!version) return std::unexpected(version.error());
  auto metadata = awaitMessage(*server, Awaited::test_metadata, timeout);
  if (!metadata) return std::unexpected(metadata.error());
  auto names = decodeTestMetadata(metadata->body);
  if (!names) return std::unexpected(withStderr(names.error(), *server));
  return Listing{std::move(*server), std::move(*names)};
}

}  // namespace zevra_test

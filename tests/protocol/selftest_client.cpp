// The protocol on the real self-test executable: its metadata must list
// exactly the tests that its terminal mode runs, and each run_test must
// report the outcome that terminal mode printed for that test.
#include <array>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversation.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/print.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using namespace protocol_test;
using zevra_harness::expect;
using zevra_harness::Status;

const char* selftest() {
  const char* path = std::getenv("ZEVRA_SELFTEST");
  return path == nullptr ? "/nonexistent" : path;
}

struct Listed {
  std::string_view name;
  std::string_view outcome;  // what follows "..." on its line
};

// Parses the "{i}/{N} {name}...{outcome}" lines of a terminal run (standard
// error not a terminal). Only lines with the next expected number count, so
// that messages printed by the tests are passed over.
std::optional<std::vector<Listed>> parseTerminalRun(std::string_view err) {
  std::vector<Listed> listed;
  if (err.starts_with("All 0 tests passed.\n")) return listed;
  std::size_t slash = err.find('/');
  std::size_t n = 0;
  if (slash == std::string_view::npos) return std::nullopt;
  std::size_t space = err.find(' ', slash);
  if (space == std::string_view::npos ||
      std::from_chars(err.data() + slash + 1, err.data() + space, n).ec != std::errc{})
    return std::nullopt;
  std::size_t at = 0;
  for (std::size_t i = 1; i <= n; ++i) {
    std::string prefix = std::to_string(i) + "/" + std::to_string(n) + " ";
    if (i != 1) {
      at = err.find("\n" + prefix, at);
      if (at == std::string_view::npos) return std::nullopt;
      ++at;
    } else if (!err.starts_with(prefix)) {
      return std::nullopt;
    }
    std::size_t name_end = err.find("...", at + prefix.size());
    std::size_t line_end = err.find('\n', name_end);
    if (name_end == std::string_view::npos || line_end == std::string_view::npos)
      return std::nullopt;
    listed.push_back({err.substr(at + prefix.size(), name_end - at - prefix.size()),
                      err.substr(name_end + 3, line_end - name_end - 3)});
    at = name_end;
  }
  return listed;
}

std::uint32_t loadU32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}

Status versionFirst() {
  Peer peer(selftest());
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()));
  ZEVRA_TRY(expect(peer.send(header(0, 0))));
  ZEVRA_TRY(expect(endedWith(peer.wait(), 0, "")));
  return {};
}

Status metadataAndResultsMatchTheTerminalRun() {
  Ending terminal;
  {
    Peer run(selftest(), {});
    run.closeInput();
    terminal = run.wait();
  }
  auto listed = parseTerminalRun(terminal.err);
  if (!listed)
    zevra_harness::print("\n  unreadable terminal run:\n{}", std::string_view(terminal.err));
  ZEVRA_TRY(expect(listed.has_value()));
  std::vector<std::string_view> names;
  for (const Listed& l : *listed) names.push_back(l.name);
  zevra_harness::print("({} tests) ", names.size());

  Peer peer(selftest());
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()));
  ZEVRA_TRY(expect(peer.send(header(4, 0))));
  const Bytes expected = testMetadata(names);
  std::optional<Bytes> got = peer.receive(expected.size());
  if (got != expected)
    zevra_harness::print("\n  expected {}\n  got {}\n", std::string_view(hex(expected)),
                         std::string_view(got ? hex(*got) : std::string("(end of output)")));
  ZEVRA_TRY(expect(got == expected));

  // The figures of the complete registry.
  if (names.size() == 52) {
    ZEVRA_TRY(expect(loadU32(*got, 4) == 3040));  // bytes_len
    ZEVRA_TRY(expect(loadU32(*got, 8) == 2616));  // string_bytes_len
    ZEVRA_TRY(expect(loadU32(*got, 16) == 1));    // names[0]
    ZEVRA_TRY(expect(loadU32(*got, 20) == 50));   // names[1]
    for (std::size_t i = 0; i < 52; ++i) ZEVRA_TRY(expect(loadU32(*got, 16 + 4 * 52 + 4 * i) == 0));
  }

  // Each test reports in its flags what terminal mode printed for it.
  for (std::uint32_t i = 0; i < names.size(); ++i) {
    ZEVRA_TRY(expect(peer.send(runTest(i))));
    std::optional<Bytes> answer = peer.receive(16);
    ZEVRA_TRY(expect(answer.has_value()));
    ZEVRA_TRY(
        expect(Bytes(answer->begin(), answer->begin() + 12) == cat({header(4, 8), u32le(i)})));
    std::uint32_t flags = loadU32(*answer, 12);
    std::string_view outcome = (*listed)[i].outcome;
    bool failed = outcome.find("FAIL (") != std::string_view::npos;
    bool skipped = outcome == "SKIP";
    if (((flags & 1) != 0) != failed || ((flags & 2) != 0) != skipped)
      zevra_harness::print("\n  test {}: flags {}, terminal said \"{}\"\n", i, flags, outcome);
    ZEVRA_TRY(expect(((flags & 1) != 0) == failed && ((flags & 2) != 0) == skipped));
    if (outcome == "OK" && terminal.exited && terminal.status == 0)
      ZEVRA_TRY(expect(*answer == testResults(i, 0)));
  }
  ZEVRA_TRY(expect(peer.send(header(0, 0))));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  return {};
}

constexpr auto selftest_client_tests = std::to_array<zevra_harness::TestFn>({
    {"protocol.test.zevra-selftest announces its toolchain", &versionFirst},
    {"protocol.test.zevra-selftest metadata and results match its terminal run",
     &metadataAndResultsMatchTheTerminalRun},
});

}  // namespace

int main(int argc, char** argv) {
  return zevra_harness::runMain(selftest_client_tests, argc, argv);
}

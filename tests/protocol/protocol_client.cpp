// End-to-end conversations with the runners of this directory over real
// pipes: every byte on standard output is compared, and the ending (status,
// standard error) of every conversation is checked.
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversation.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/print.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using namespace protocol_test;
using zevra_harness::expect;
using zevra_harness::Status;

constexpr std::array<std::string_view, 7> kFlagsRunnerNames{
    "protocol.test.passes",
    "protocol.test.skips → SKIP",
    "protocol.test.fails",
    "protocol.test.passes quietly",
    "protocol.test.leaks one allocation",
    "protocol.test.fails after logging two errors",
    "protocol.test.logs more errors than the flags hold",
};

const char* runnerPath(const char* variable) {
  const char* path = std::getenv(variable);
  if (path == nullptr) zevra_harness::print("\n  {} is not set\n", std::string_view(variable));
  return path == nullptr ? "/nonexistent" : path;
}
const char* flagsRunner() { return runnerPath("ZEVRA_FLAGS_RUNNER"); }
const char* emptyRunner() { return runnerPath("ZEVRA_EMPTY_RUNNER"); }
const char* outcomesRunner() { return runnerPath("ZEVRA_OUTCOMES_RUNNER"); }

const Bytes kExit = header(0, 0);
const Bytes kQuery = header(4, 0);

// A fresh conversation with the version already read.
#define ZEVRA_START(peer, path) \
  Peer peer(path);              \
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()))

// Sends `exit`; the runner must end with status 0 and send nothing more.
Status exitCleanly(Peer& peer) {
  ZEVRA_TRY(expect(peer.send(kExit)));
  Bytes rest;
  Ending e = peer.wait(&rest);
  ZEVRA_TRY(expect(endedWith(e, 0, "")));
  ZEVRA_TRY(expect(rest.empty()));
  return {};
}

// A request the peer must not send: a message on standard error, status 1,
// and nothing on standard output after the version.
Status refused(const Bytes& request, std::string_view message) {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send(request)));
  Bytes rest;
  Ending e = peer.wait(&rest);
  ZEVRA_TRY(expect(endedWith(e, 1, message)));
  ZEVRA_TRY(expect(rest.empty()));
  return {};
}

// The conversation must end in the fatal stop of a broken conversation,
// after one warn line that names the cause.
Status brokenOff(Peer& peer, std::string_view cause) {
  Bytes rest;
  Ending e = peer.wait(&rest);
  const std::string warn = "[protocol] (warn): " + std::string(cause) + "\n";
  ZEVRA_TRY(expect(endedWithPanic(e, "internal test runner failure", warn)));
  ZEVRA_TRY(expect(rest.empty()));
  return {};
}

Status versionFirstThenClosedInput() {
  ZEVRA_START(peer, flagsRunner());
  peer.closeInput();  // at a message boundary
  return brokenOff(peer, "standard input ended between messages");
}

Bytes flagsRunnerMetadata() {
  return testMetadata({kFlagsRunnerNames.begin(), kFlagsRunnerNames.end()});
}

Status metadataOfASmallRegistry() {
  const Bytes message = flagsRunnerMetadata();
  // 8 header bytes, 8 fixed, 8·n of offsets, and a table of one 0 byte, then
  // each name and its 0 byte (230 bytes for the seven names).
  ZEVRA_TRY(expect(message.size() == 8 + 8 + 8 * 7 + 1 + 230));
  ZEVRA_START(peer, flagsRunner());
  // Asked twice: the table is built afresh and must come out the same.
  for (int round = 0; round < 2; ++round) {
    ZEVRA_TRY(expect(peer.send(kQuery)));
    ZEVRA_TRY(expect(peer.expectBytes(message)));
  }
  return exitCleanly(peer);
}

Status metadataOfAnEmptyRegistry() {
  ZEVRA_START(peer, emptyRunner());
  ZEVRA_TRY(expect(peer.send(kQuery)));
  ZEVRA_TRY(expect(peer.expectBytes({3, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0})));
  return exitCleanly(peer);
}

Status runTestIndex3() {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send({5, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0})));
  ZEVRA_TRY(expect(peer.expectBytes({4, 0, 0, 0, 8, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0})));
  return exitCleanly(peer);
}

Status flagsOfEachOutcome() {
  ZEVRA_START(peer, flagsRunner());
  struct Case {
    std::uint32_t index, flags;
  };
  // The error count is per run: the second run of test 5 reports two again,
  // and a passing run after the saturated one reports none.
  for (Case c : {Case{1, 0x2}, Case{2, 0x1}, Case{5, 0x21}, Case{5, 0x21}, Case{6, 0xFFFFFFF0},
                 Case{0, 0x0}}) {
    ZEVRA_TRY(expect(peer.send(runTest(c.index))));
    ZEVRA_TRY(expect(peer.expectBytes(testResults(c.index, c.flags))));
  }
  ZEVRA_TRY(expect(peer.send(kExit)));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  // The failures' traces name the tests' source, the logged errors are
  // printed, and error names and per-test lines are not.
  std::string_view err = e.err;
  ZEVRA_TRY(expect(err.find("tests/protocol/flags_runner.cpp:") != std::string_view::npos));
  ZEVRA_TRY(expect(err.find("failsAfterLoggingTwoErrors()") != std::string_view::npos));
  ZEVRA_TRY(expect(err.find("[test] (err): second of 2\n") != std::string_view::npos));
  ZEVRA_TRY(expect(err.find("[test] (err): and another\n") != std::string_view::npos));
  ZEVRA_TRY(expect(err.find("TestUnexpectedResult") == std::string_view::npos));
  ZEVRA_TRY(expect(err.find("...") == std::string_view::npos));
  return {};
}

Status flagsOfALeak() {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send(runTest(4))));
  ZEVRA_TRY(expect(peer.expectBytes(testResults(4, 0x14))));
  // The next run has an allocator of its own.
  ZEVRA_TRY(expect(peer.send(runTest(0))));
  ZEVRA_TRY(expect(peer.expectBytes(testResults(0, 0))));
  ZEVRA_TRY(expect(peer.send(kExit)));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  ZEVRA_TRY(expect(std::string_view(e.err).starts_with("[gpa] (err): memory address 0x")));
  return {};
}

// Running out of memory and a bad alignment fail their tests with the fail
// bit alone (the allocator's warnings are no logged errors), and the
// conversation goes on.
Status flagsOfAllocationFailures() {
  ZEVRA_START(peer, outcomesRunner());
  for (std::uint32_t index : {6u, 7u, 0u}) {
    ZEVRA_TRY(expect(peer.send(runTest(index))));
    ZEVRA_TRY(expect(peer.expectBytes(testResults(index, index == 0 ? 0x0 : 0x1))));
  }
  ZEVRA_TRY(expect(peer.send(kExit)));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  std::string_view err = e.err;
  ZEVRA_TRY(expect(err.find("[gpa] (warn): Out of memory: 1073741824 bytes aligned to 8.") !=
                   std::string_view::npos));
  ZEVRA_TRY(expect(err.find("[gpa] (warn): Alignment 24 is not a power of two (16 bytes asked).") !=
                   std::string_view::npos));
  return {};
}

// A test that throws fails with the fail bit alone, and the next one runs.
// Asked for error names (ZEVRA_ERROR_NAMES, as zevra-test asks), the server
// writes each failure's name before its trace, as terminal mode does.
Status failuresNamedOnRequest() {
  ::setenv("ZEVRA_ERROR_NAMES", "1", 1);
  Peer peer(outcomesRunner());
  ::unsetenv("ZEVRA_ERROR_NAMES");
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()));
  for (std::uint32_t index : {10u, 17u, 19u}) {
    ZEVRA_TRY(expect(peer.send(runTest(index))));
    ZEVRA_TRY(expect(peer.expectBytes(testResults(index, index == 19 ? 0x0 : 0x1))));
  }
  ZEVRA_TRY(expect(peer.send(kExit)));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  const std::string_view err = e.err;
  constexpr std::string_view kEqual =
      "actual -1, expected 4294967295\nFAIL (TestExpectedEqual)\n"
      "tests/harness/runner_outcomes.cpp:";
  constexpr std::string_view kThrown =
      "uncaught exception: no such camera: \"left\"\nFAIL (TestUnexpectedException)\n";
  ZEVRA_TRY(expect(err.starts_with(kEqual)));
  return expect(err.ends_with(kThrown));
}

Status requestsInOneWrite() {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send(cat({runTest(1), runTest(3), kQuery}))));
  ZEVRA_TRY(
      expect(peer.expectBytes(cat({testResults(1, 2), testResults(3, 0), flagsRunnerMetadata()}))));
  // Answers and the exit that follows them in the same write.
  ZEVRA_TRY(expect(peer.send(cat({runTest(2), kExit, runTest(0)}))));
  Bytes rest;
  Ending e = peer.wait(&rest);
  ZEVRA_TRY(expect(e.exited && e.status == 0));
  ZEVRA_TRY(expect(rest == testResults(2, 1)));
  return {};
}

// More requests in one write than the queue can hold at once: the queue
// takes what fits, and the rest waits in the pipe.
Status manyRequestsInOneWrite() {
  ZEVRA_START(peer, flagsRunner());
  constexpr std::uint32_t kRequests = 2000;  // 24000 bytes in, 32000 out
  Bytes requests, answers;
  for (std::uint32_t i = 0; i < kRequests; ++i) {
    requests = cat({requests, runTest(i % 2 == 0 ? 3 : 1)});
    answers = cat({answers, testResults(i % 2 == 0 ? 3 : 1, i % 2 == 0 ? 0 : 2)});
  }
  ZEVRA_TRY(expect(peer.send(requests)));
  ZEVRA_TRY(expect(peer.expectBytes(answers)));
  return exitCleanly(peer);
}

Status oneByteAtATime() {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.sendOneByteAtATime(runTest(1))));
  ZEVRA_TRY(expect(peer.expectBytes(testResults(1, 2))));
  ZEVRA_TRY(expect(peer.sendOneByteAtATime(kQuery)));
  ZEVRA_TRY(expect(peer.expectBytes(flagsRunnerMetadata())));
  ZEVRA_TRY(expect(peer.sendOneByteAtATime(kExit)));
  Ending e = peer.wait();
  ZEVRA_TRY(expect(endedWith(e, 0, "")));
  return {};
}

Status unsupportedTags() {
  ZEVRA_TRY(refused(header(1, 0), "unsupported message: 1\n"));
  ZEVRA_TRY(refused(header(2, 0), "unsupported message: 2\n"));
  ZEVRA_TRY(refused(header(3, 0), "unsupported message: 3\n"));
  ZEVRA_TRY(refused(header(7, 0), "unsupported message: 7\n"));
  ZEVRA_TRY(refused(header(255, 0), "unsupported message: ff\n"));
  ZEVRA_TRY(refused(header(0xDEADBEEF, 0), "unsupported message: deadbeef\n"));
  // The message is whole (body included) before the tag is looked at.
  ZEVRA_TRY(refused(cat({header(1, 3), {1, 2, 3}}), "unsupported message: 1\n"));
  return {};
}

Status exitWithABodyInTwoParts() {
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send(cat({header(0, 6), {'a', 'b', 'c'}}))));
  ZEVRA_TRY(expect(peer.stillRunningAfter(200)));
  ZEVRA_TRY(expect(peer.send({'d', 'e', 'f'})));
  Bytes rest;
  Ending e = peer.wait(&rest);
  ZEVRA_TRY(expect(endedWith(e, 0, "")));
  ZEVRA_TRY(expect(rest.empty()));
  return {};
}

Status inputEndsInsideAMessage() {
  // Inside a header, inside a body, and before an announced body.
  struct Case {
    Bytes partial;
    std::string_view cause;
  };
  for (const Case& c : {
           Case{{5, 0, 0, 0, 4}, "standard input ended inside a message header (5 of 8 bytes)"},
           Case{{5, 0, 0, 0, 4, 0, 0, 0, 3, 0},
                "standard input ended inside the body of a message with tag 5 (2 of 4 bytes)"},
           Case{header(0, 4),
                "standard input ended inside the body of a message with tag 0 (0 of 4 bytes)"},
       }) {
    ZEVRA_START(peer, flagsRunner());
    ZEVRA_TRY(expect(peer.send(c.partial)));
    ZEVRA_TRY(expect(peer.stillRunningAfter(50)));
    peer.closeInput();
    ZEVRA_TRY(brokenOff(peer, c.cause));
  }
  // Inside a header after a served request.
  ZEVRA_START(peer, flagsRunner());
  ZEVRA_TRY(expect(peer.send(cat({runTest(0), {0, 0}}))));
  ZEVRA_TRY(expect(peer.expectBytes(testResults(0, 0))));
  peer.closeInput();
  return brokenOff(peer, "standard input ended inside a message header (2 of 8 bytes)");
}

// Standard output closed by the peer, a full device, and standard input
// that cannot be read (a directory).
Status streamsThatFail() {
  {
    ZEVRA_START(peer, flagsRunner());
    peer.closeOutput();
    ZEVRA_TRY(expect(peer.send(runTest(0))));
    ZEVRA_TRY(brokenOff(peer, "writing standard output failed: EPIPE"));
  }
  {
    Peer peer(flagsRunner(), {"--listen=-"}, {.output = "/dev/full"});
    ZEVRA_TRY(expect(peer.started()));
    ZEVRA_TRY(brokenOff(peer, "writing standard output failed: ENOSPC"));
  }
  Peer peer(flagsRunner(), {"--listen=-"}, {.input = "/"});
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()));
  return brokenOff(peer, "reading standard input failed: EISDIR");
}

// A parent that made the pipes non-blocking (they are shared): reads and
// writes that would block wait with poll instead of ending the conversation.
Status nonBlockingPipes() {
  Peer peer(flagsRunner(), {"--listen=-"}, {.nonblocking = true});
  ZEVRA_TRY(expect(peer.started() && peer.receiveVersion()));
  ZEVRA_TRY(expect(peer.stillRunningAfter(100)));  // nothing to read yet
  // 60000 bytes in, 80000 out: more than the output pipe holds while the
  // peer is not reading.
  Bytes requests, answers;
  for (std::uint32_t i = 0; i < 5000; ++i) {
    const std::uint32_t index = i % 2 == 0 ? 3 : 1;
    const Bytes request = runTest(index), answer = testResults(index, index == 3 ? 0 : 2);
    requests.insert(requests.end(), request.begin(), request.end());
    answers.insert(answers.end(), answer.begin(), answer.end());
  }
  ZEVRA_TRY(expect(peer.send(requests)));
  ZEVRA_TRY(expect(peer.stillRunningAfter(100)));  // no room to write
  ZEVRA_TRY(expect(peer.expectBytes(answers)));
  return exitCleanly(peer);
}

Status requestsThePeerMustNotSend() {
  ZEVRA_TRY(refused(runTest(7), "run_test index 7 out of range (have 7 tests)\n"));
  ZEVRA_TRY(
      refused(runTest(0xFFFFFFFF), "run_test index 4294967295 out of range (have 7 tests)\n"));
  ZEVRA_TRY(refused(header(5, 0), "run_test takes a 4-byte body, got 0 bytes\n"));
  ZEVRA_TRY(refused(cat({header(5, 8), u32le(3), u32le(3)}),
                    "run_test takes a 4-byte body, got 8 bytes\n"));
  ZEVRA_TRY(
      refused(cat({header(4, 4), u32le(0)}), "query_test_metadata takes no body, got 4 bytes\n"));
  ZEVRA_TRY(refused(header(6, 0), "unsupported message: 6\n"));
  // An empty registry has no index at all.
  ZEVRA_START(peer, emptyRunner());
  ZEVRA_TRY(expect(peer.send(runTest(0))));
  Bytes rest;
  Ending e = peer.wait(&rest);
  ZEVRA_TRY(expect(endedWith(e, 1, "run_test index 0 out of range (have 0 tests)\n")));
  ZEVRA_TRY(expect(rest.empty()));
  return {};
}

// The whole message must fit in the 8192-byte arena: 8 header bytes and
// 8184 body bytes do, one more does not.
Status messagesTooLargeForTheArena() {
  {
    ZEVRA_START(peer, flagsRunner());
    ZEVRA_TRY(expect(peer.send(cat({runTest(3), header(0, 8184), Bytes(8184, 0x5a)}))));
    ZEVRA_TRY(expect(peer.expectBytes(testResults(3, 0))));
    Bytes rest;
    Ending e = peer.wait(&rest);
    ZEVRA_TRY(expect(endedWith(e, 0, "")));
  }
  for (std::uint32_t len : {8185u, 100000u, 0xFFFFFFFFu}) {
    ZEVRA_START(peer, flagsRunner());
    ZEVRA_TRY(expect(peer.send(header(0, len))));
    ZEVRA_TRY(brokenOff(peer, "a message with tag 0 and a body of " + std::to_string(len) +
                                  " bytes does not fit in the 8192-byte receive buffer"));
  }
  return {};
}

constexpr auto client_tests = std::to_array<zevra_harness::TestFn>({
    {"protocol.test.version first, then a closed input stops fatally",
     &versionFirstThenClosedInput},
    {"protocol.test.metadata of a small registry", &metadataOfASmallRegistry},
    {"protocol.test.metadata of an empty registry", &metadataOfAnEmptyRegistry},
    {"protocol.test.run_test of index 3", &runTestIndex3},
    {"protocol.test.flags of skip, failure and logged errors", &flagsOfEachOutcome},
    {"protocol.test.flags of a leak", &flagsOfALeak},
    {"protocol.test.flags of allocation failures", &flagsOfAllocationFailures},
    {"protocol.test.failures named on request", &failuresNamedOnRequest},
    {"protocol.test.requests in one write", &requestsInOneWrite},
    {"protocol.test.more requests in one write than the queue holds", &manyRequestsInOneWrite},
    {"protocol.test.requests one byte at a time", &oneByteAtATime},
    {"protocol.test.unsupported tags", &unsupportedTags},
    {"protocol.test.exit with a body in two parts", &exitWithABodyInTwoParts},
    {"protocol.test.input ending inside a message", &inputEndsInsideAMessage},
    {"protocol.test.streams that fail", &streamsThatFail},
    {"protocol.test.non-blocking pipes", &nonBlockingPipes},
    {"protocol.test.requests the peer must not send", &requestsThePeerMustNotSend},
    {"protocol.test.messages too large for the arena", &messagesTooLargeForTheArena},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(client_tests, argc, argv); }

// The fuzz target: one input is one conversation with the real server over an
// in-memory stream (see memory_stream.hpp for the layout), with a registry
// whose tests end in each way a result word reports. Besides the sanitizers'
// findings, the server is held to the model: what it wrote must be what the
// protocol says, up to the point where an injected fault stopped it.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "conversation_model.hpp"
#include "harness/core/arena.hpp"
#include "harness/core/runner_arena.hpp"
#include "harness/protocol/conversation.hpp"
#include "memory_stream.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/print.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::ConversationEnd;
using zevra_harness::Status;

Status passes() { return {}; }
Status fails() { return zevra_harness::expect(false); }
Status skips() { return zevra_harness::skip(); }
Status logsAnError() {
  zevra_harness::log(zevra_harness::Level::err, "fuzz", "an error");
  return {};
}
Status leaksOneAllocation() {
  (void)zevra_harness::allocator().allocate(40, 8);
  return {};
}

constexpr auto fuzz_tests = std::to_array<zevra_harness::TestFn>({
    {"fuzz.test.passes", &passes},
    {"fuzz.test.fails", &fails},
    {"fuzz.test.skips", &skips},
    {"fuzz.test.logs an error", &logsAnError},
    {"fuzz.test.leaks one allocation", &leaksOneAllocation},
});
// The same tests as the model knows them: the flags of each run.
constexpr auto model_tests = std::to_array<zevra_fuzz::ModelTest>({
    {"fuzz.test.passes", 0x00},
    {"fuzz.test.fails", 0x01},
    {"fuzz.test.skips", 0x02},
    {"fuzz.test.logs an error", 0x10},
    {"fuzz.test.leaks one allocation", 0x14},
});

constexpr std::string_view kVersion = "fuzz 0.1";

[[noreturn]] void finding(std::string_view what) {
  zevra_harness::print("conversation differs from the model: {}\n", what);
  std::abort();
}

bool isPrefix(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  return a.size() <= b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool endsAtMessage(std::size_t len, const std::vector<std::size_t>& ends) {
  return std::find(ends.begin(), ends.end(), len) != ends.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zevra_fuzz::MemoryStream stream({data, size});
  // A heap block of the runner arena's size, so that the sanitizer sees any
  // step outside it.
  auto storage = std::make_unique<std::byte[]>(zevra_harness::kRunnerArenaBytes);
  zevra_harness::Arena arena({storage.get(), zevra_harness::kRunnerArenaBytes});

  std::expected<ConversationEnd, zevra_harness::Error> end;
  if (auto server = zevra_harness::Server::init({arena, kVersion, stream})) {
    end = zevra_harness::serveConversation(*server, fuzz_tests);
    if (!end && arena.used() != 0) finding("the receive queue was kept after an error");
  } else {
    end = std::unexpected(server.error());
  }

  const zevra_fuzz::ModelConversation model =
      zevra_fuzz::modelConversation(kVersion, model_tests, stream.sent());
  const std::vector<std::uint8_t>& out = stream.written();
  if (!isPrefix(out, model.output)) finding("bytes written that the protocol does not call for");

  const bool as_model =
      model.end.is_error ? !end && end.error() == model.end.error : end && *end == model.end.end;
  if (as_model && out.size() == model.output.size()) return 0;
  // Only a fault of the stream may cut the conversation short, and only as a
  // broken pipe; a lost input ends it between replies.
  if (end || end.error() != zevra_harness::BrokenPipe)
    finding("an end the stream does not explain");
  if (stream.writeFaultHit()) return 0;
  if (!stream.emptyReadBeforeEnd()) finding("ended early without a fault of the stream");
  if (!endsAtMessage(out.size(), model.message_ends)) finding("a reply cut short");
  return 0;
}

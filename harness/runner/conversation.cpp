// The protocol front end: announce the toolchain, then serve the build
// runner's requests one at a time until it says `exit`. Requests the peer
// must not send end the process in an orderly way with status 1, so that a
// confused peer never reads a reply to a request it did not make.
#include "harness/runner/conversation.hpp"

#include <cstddef>
#include <cstdint>
#include <limits>

#include "harness/portable/allocator/allocator_instance.hpp"
#include "harness/portable/core/session.hpp"
#include "harness/portable/core/test_run.hpp"
#include "harness/portable/diagnostics/fatal.hpp"
#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"

namespace zevra_harness::detail {
namespace {

// Prints why a request is not served; the conversation then ends with
// status 1.
template <typename... Args>
ConversationEnd refuse(Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
  print<Args...>(fmt, args...);
  return ConversationEnd::refused;
}

// The names, each followed by a 0 byte, after one leading 0 byte (so that
// offset 0 names nothing), and each test's offset into it. Built with a fresh
// checking allocator that must hold nothing afterwards.
Sent serveMetadata(Server& server, Registry registry) {
  DebugAllocator& gpa = allocatorInstance();
  gpa.reset();
  const std::size_t n = registry.size();
  std::size_t table_len = 1;
  for (const TestFn& t : registry) table_len += t.name.size() + 1;
  const std::size_t array_bytes = n * sizeof(std::uint32_t);
  if (table_len > std::numeric_limits<std::uint32_t>::max())
    return std::unexpected(
        Breakdown{.cause = Breakdown::Cause::reply_too_large, .limit = table_len});

  auto table = gpa.alloc(table_len, 1);
  auto names = gpa.alloc(array_bytes, alignof(std::uint32_t));
  auto panics = gpa.alloc(array_bytes, alignof(std::uint32_t));

  Sent sent = std::unexpected(Breakdown{.cause = Breakdown::Cause::out_of_memory});
  if (table && names && panics) {
    auto* name_offsets = reinterpret_cast<std::uint32_t*>(*names);
    auto* panic_offsets = reinterpret_cast<std::uint32_t*>(*panics);
    std::size_t at = 0;
    (*table)[at++] = std::byte{0};
    for (std::size_t i = 0; i < n; ++i) {
      name_offsets[i] = toLittleEndian(static_cast<std::uint32_t>(at));
      panic_offsets[i] = toLittleEndian(0);
      for (char c : registry[i].name) (*table)[at++] = static_cast<std::byte>(c);
      (*table)[at++] = std::byte{0};
    }
    sent = server.serveTestMetadata({name_offsets, n}, {panic_offsets, n}, {*table, table_len});
  }

  if (panics) gpa.free(*panics, array_bytes, alignof(std::uint32_t));
  if (names) gpa.free(*names, array_bytes, alignof(std::uint32_t));
  if (table) gpa.free(*table, table_len, 1);
  if (gpa.deinit() == DebugAllocator::Check::leak) fatal("internal test runner memory leak");
  return sent;
}

// A failure's trace goes to standard error, after the line "FAIL ({name})"
// when the peer asked for error names; the outcome itself goes back in the
// result word only.
class ProtocolReporter final : public Reporter {
 public:
  explicit ProtocolReporter(bool name_errors) : name_errors_(name_errors) {}

  void testReturned(const Status& status) override {
    if (status || status.error() == Skip) return;
    StderrLock lock;
    StderrBuffer out;
    if (name_errors_) format(out, "FAIL ({})\n", status.error().name);
    session().failure_trace.append(out);
  }

 private:
  bool name_errors_;
};

Sent runTest(Server& server, const TestFn& test, std::uint32_t index, bool name_errors) {
  ProtocolReporter reporter(name_errors);
  const TestRun run = runOne(test, kProtocolPolicy, reporter);
  const ResultFlags flags{.fail = run.outcome == TestRun::Outcome::failure,
                          .skip = run.outcome == TestRun::Outcome::skip,
                          .leak = run.leaked,
                          .fuzz = run.fuzz,
                          .log_err_count = run.log_err_count};
  return server.serveTestResults(index, encodeResultFlags(flags));
}

// Serves the requests of the peer one at a time until an end; on a
// breakdown the receive queue is released.
std::expected<ConversationEnd, Breakdown> serveConversation(Server& server, Registry registry,
                                                            bool name_errors) {
  for (;;) {
    auto header = server.receiveMessage();
    if (!header) {
      server.deinit();
      return std::unexpected(header.error());
    }
    Sent served;
    switch (static_cast<ClientTag>(header->tag)) {
      case ClientTag::exit:
        return ConversationEnd::exit;
      case ClientTag::query_test_metadata:
        if (header->bytes_len != 0)
          return refuse("query_test_metadata takes no body, got {} bytes\n", header->bytes_len);
        served = serveMetadata(server, registry);
        break;
      case ClientTag::run_test: {
        if (header->bytes_len != kRunTestBodyBytes)
          return refuse("run_test takes a 4-byte body, got {} bytes\n", header->bytes_len);
        const std::uint32_t index = server.receiveBody_u32();
        if (index >= registry.size())
          return refuse("run_test index {} out of range (have {} tests)\n", index, registry.size());
        served = runTest(server, registry[index], index, name_errors);
        break;
      }
      default:
        // Includes start_fuzzing: this build cannot fuzz.
        return refuse("unsupported message: {}\n", Hex{header->tag});
    }
    if (!served) {
      server.deinit();
      return std::unexpected(served.error());
    }
  }
}

}  // namespace

std::expected<ConversationEnd, Breakdown> converse(const Server::Options& options,
                                                   Registry registry, bool name_errors) {
  auto server = Server::init(options);
  std::expected<ConversationEnd, Breakdown> end =
      server ? serveConversation(*server, registry, name_errors) : std::unexpected(server.error());
  if (!end) logBreakdown(end.error());
  return end;
}

}  // namespace zevra_harness::detail

// The fuzz target: one input is one conversation with the real server, whose
// stream runs on scripted descriptors (see scripted_descriptors.hpp), with a
// registry whose tests end in each way a result word reports. Besides the
// sanitizers' findings, the server is held to the model: the same system
// calls, the same bytes written, the same end, and the same last words on
// standard error.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "conversation_model.hpp"
#include "harness/portable/core/arena.hpp"
#include "harness/portable/core/runner_arena.hpp"
#include "harness/portable/core/session.hpp"
#include "harness/runner/conversation.hpp"
#include "scripted_descriptors.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/print.hpp"
#include "zevra_harness/testing.hpp"

// Where a sanitizer writes its report; absent without one.
extern "C" [[gnu::weak]] void __sanitizer_set_report_fd(void* fd);  // NOLINT

namespace {

using zevra_fuzz::ScriptedDescriptors;
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
// More errors than the result word's 28 bits hold.
Status logsTooManyErrors() {
  zevra_harness::detail::session().log_err_count = std::size_t{1} << 28;
  return {};
}

constexpr auto fuzz_tests = std::to_array<zevra_harness::TestFn>({
    {"fuzz.test.passes", &passes},
    {"fuzz.test.fails", &fails},
    {"fuzz.test.skips", &skips},
    {"fuzz.test.logs an error", &logsAnError},
    {"fuzz.test.leaks one allocation", &leaksOneAllocation},
    {"fuzz.test.logs more errors than the flags hold", &logsTooManyErrors},
});
// The same tests as the model knows them: the flags of each run.
constexpr auto model_tests = std::to_array<zevra_fuzz::ModelTest>({
    {"fuzz.test.passes", 0x00},
    {"fuzz.test.fails", 0x01},
    {"fuzz.test.skips", 0x02},
    {"fuzz.test.logs an error", 0x10},
    {"fuzz.test.leaks one allocation", 0x14},
    {"fuzz.test.logs more errors than the flags hold", 0xFFFFFFF0},
});

constexpr std::string_view kVersion = "fuzz 0.1";

// The server's system calls, played from the current input's script.
ScriptedDescriptors* script = nullptr;
constexpr zevra_harness::SystemCalls kScriptedCalls{
    [](int fd, void* into, std::size_t len) { return script->read(fd, into, len); },
    [](int fd, const iovec* parts, int count) { return script->writev(fd, parts, count); },
    [](pollfd* fds, nfds_t count, int timeout_ms) { return script->poll(fds, count, timeout_ms); },
};

// Standard error into memory for one conversation, so that its text can be
// checked; the fuzzer's and the sanitizers' own reports still reach the
// real one.
class StderrCapture {
 public:
  StderrCapture() {
    static const int real = [] {
      int fd = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
      if (__sanitizer_set_report_fd != nullptr)
        __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
      return fd;
    }();
    static const int memory = ::memfd_create("conversation-stderr", MFD_CLOEXEC);
    real_ = real;
    memory_ = memory;
    (void)::ftruncate(memory_, 0);
    (void)::lseek(memory_, 0, SEEK_SET);
    ::dup2(memory_, 2);
  }
  ~StderrCapture() { restore(); }

  // Gives standard error back and returns what was written to it.
  std::string finish() {
    restore();
    std::string text;
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = ::pread(memory_, buf, sizeof buf, at)) > 0; at += n)
      text.append(buf, static_cast<std::size_t>(n));
    return text;
  }

 private:
  void restore() { ::dup2(real_, 2); }
  int real_;
  int memory_;
};

[[noreturn]] void finding(std::string_view what) {
  zevra_harness::print("conversation differs from the model: {}\n", what);
  std::abort();
}

std::size_t occurrences(std::string_view text, std::string_view word) {
  std::size_t n = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
    ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptedDescriptors played({data, size});
  script = &played;
  zevra_harness::detail::FdStream stream(ScriptedDescriptors::kIn, ScriptedDescriptors::kOut,
                                         kScriptedCalls);
  // A heap block of the runner arena's size, so that the sanitizer sees any
  // step outside it.
  auto storage = std::make_unique<std::byte[]>(zevra_harness::detail::kRunnerArenaBytes);
  zevra_harness::detail::Arena arena({storage.get(), zevra_harness::detail::kRunnerArenaBytes});

  StderrCapture capture;
  const auto end = zevra_harness::detail::converse({arena, kVersion, stream}, fuzz_tests);
  const std::string err = capture.finish();
  script = nullptr;

  const zevra_fuzz::ModelConversation model =
      zevra_fuzz::modelConversation({data, size}, kVersion, model_tests);
  const auto& calls = played.calls();
  const auto& expected_calls = model.descriptors.calls();
  for (std::size_t i = 0; i < calls.size() && i < expected_calls.size(); ++i)
    if (calls[i] != expected_calls[i])
      finding("system call " + std::to_string(i) + " is not the one the protocol calls for");
  if (calls.size() != expected_calls.size()) finding("more or fewer system calls than the model");
  if (played.written() != model.descriptors.written()) finding("other bytes written");
  if (!(end ? model.end == *end : model.breakdown == end.error())) finding("another end");
  if (!end && arena.used() != 0) finding("the receive queue was kept after a breakdown");
  if (!std::string_view(err).ends_with(model.stderr_tail))
    finding("standard error does not end with \"" + model.stderr_tail + "\"");
  if (occurrences(err, "[protocol] (warn)") != (model.breakdown ? 1u : 0u))
    finding("not one warn line for a breakdown, or one without");
  return 0;
}

#include "harness/runner/protocol_mode.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "harness/base/wire.hpp"
#include "harness/portable/core/runner_arena.hpp"
#include "harness/posix/protocol/stream.hpp"
#include "harness/runner/conversation.hpp"

namespace zevra_harness::detail {
namespace {

#if defined(__clang__)
constexpr std::string_view kToolchainVersion = "clang " __clang_version__;
#elif defined(__GNUC__)
constexpr std::string_view kToolchainVersion = "gcc " __VERSION__;
#else
constexpr std::string_view kToolchainVersion = "unknown toolchain";
#endif

}  // namespace

Error mainServer(Registry registry) {
  FdStream stream(STDIN_FILENO, STDOUT_FILENO);
  const char* name_errors = std::getenv(kErrorNamesVariable);
  auto end = converse({runnerArena(), kToolchainVersion, stream}, registry,
                      name_errors != nullptr && *name_errors != '\0');
  if (!end) return ConversationBroken;
  // Standard output carries only whole replies written straight to the pipe,
  // and every print to standard error is written before it returns, so
  // nothing is left buffered when the process ends here (on `exit` nothing
  // more is sent and nothing is released).
  ::_exit(static_cast<int>(*end));
}

}  // namespace zevra_harness::detail

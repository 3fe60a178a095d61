#include "harness/posix/protocol/breakdown.hpp"

#include <string.h>

#include <string_view>

#include "zevra_harness/log.hpp"
#include "zevra_harness/print.hpp"

namespace zevra_harness::detail {
namespace {

constexpr std::string_view kScope = "protocol";

// "EPIPE", or the number for an errno without a name.
void logFailure(std::string_view what, int error_number) {
  if (error_number == 0) {
    log(Level::warn, kScope, "{} failed: nothing was written", what);
  } else if (const char* name = ::strerrorname_np(error_number)) {
    log(Level::warn, kScope, "{} failed: {}", what, name);
  } else {
    log(Level::warn, kScope, "{} failed: error {}", what, error_number);
  }
}

}  // namespace

void logBreakdown(const Breakdown& b) {
  using Cause = Breakdown::Cause;
  using Where = Breakdown::Where;
  switch (b.cause) {
    case Cause::input_ended:
      if (b.where == Where::between_messages)
        log(Level::warn, kScope, "standard input ended between messages");
      else if (b.where == Where::in_header)
        log(Level::warn, kScope, "standard input ended inside a message header ({} of 8 bytes)",
            b.received);
      else
        log(Level::warn, kScope,
            "standard input ended inside the body of a message with tag {} ({} of {} bytes)",
            Hex{b.tag}, b.received, b.bytes_len);
      break;
    case Cause::input_failed:
      logFailure("reading standard input", b.error_number);
      break;
    case Cause::output_failed:
      logFailure("writing standard output", b.error_number);
      break;
    case Cause::message_too_large:
      log(Level::warn, kScope,
          "a message with tag {} and a body of {} bytes does not fit in the {}-byte receive "
          "buffer",
          Hex{b.tag}, b.bytes_len, b.limit);
      break;
    case Cause::reply_too_large:
      log(Level::warn, kScope, "a reply of {} bytes is too large for one message", b.limit);
      break;
    case Cause::out_of_memory:
      log(Level::warn, kScope, "out of memory while building the test metadata");
      break;
  }
}

}  // namespace zevra_harness::detail

#pragma once
// Why a conversation ended in error: the cause that the protocol front end
// names in one warn line before its fatal stop "internal test runner
// failure".

#include <cstddef>
#include <cstdint>

namespace zevra_harness::detail {

struct Breakdown {
  enum class Cause : std::uint8_t {
    input_ended,        // two reads within one receive returned nothing
    input_failed,       // a read of standard input failed: error_number
    output_failed,      // a write to standard output failed: error_number, 0 if it took nothing
    message_too_large,  // a request does not fit in the receive queue's arena
    reply_too_large,    // a reply's length does not fit in its header
    out_of_memory,      // the test metadata could not be built
  };
  // Where the input ended: how much of the message had arrived.
  enum class Where : std::uint8_t { between_messages, in_header, in_body };

  Cause cause;
  Where where = Where::between_messages;
  int error_number = 0;
  std::uint32_t tag = 0;        // of the message that was cut or too large
  std::uint32_t bytes_len = 0;  // its announced body length
  std::size_t received = 0;     // bytes of its header or body that had arrived
  std::size_t limit = 0;        // message_too_large: the arena's size; reply: its length

  friend bool operator==(const Breakdown&, const Breakdown&) = default;
};

// Logs the cause at warn level with scope "protocol", e.g.
// "[protocol] (warn): writing standard output failed: EPIPE".
void logBreakdown(const Breakdown& b);

}  // namespace zevra_harness::detail

#pragma once
// What a correct server answers to a byte stream, worked out from the
// protocol alone: the version message, then one reply per request up to the
// end the stream leads to. The fuzz target holds the real server to it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "harness/protocol/conversation.hpp"

namespace zevra_fuzz {

// A test of the model's registry and the flags word its run must report.
struct ModelTest {
  std::string_view name;
  std::uint32_t flags;
};

struct ModelEnd {
  bool is_error = false;
  zevra_harness::ConversationEnd end = zevra_harness::ConversationEnd::exit;
  zevra_harness::Error error{};
};

struct ModelConversation {
  std::vector<std::uint8_t> output;
  // Where each whole message of `output` ends (the version message first).
  std::vector<std::size_t> message_ends;
  ModelEnd end;
};

ModelConversation modelConversation(std::string_view version, std::span<const ModelTest> tests,
                                    std::span<const std::uint8_t> sent);

}  // namespace zevra_fuzz

#pragma once
// What a correct server does with a scripted stream, worked out from the
// protocol alone: the calls it makes on the descriptors (the sizes of its
// reads follow the receive queue, 256 bytes at first and doubling), the
// bytes it writes, how the conversation ends and the text it ends with on
// standard error. The fuzz target holds the real server to it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "harness/runner/conversation.hpp"
#include "scripted_descriptors.hpp"

namespace zevra_fuzz {

// A test of the model's registry and the flags word its run must report.
struct ModelTest {
  std::string_view name;
  std::uint32_t flags;
};

struct ModelConversation {
  explicit ModelConversation(std::span<const std::uint8_t> script) : descriptors(script) {}

  ScriptedDescriptors descriptors;  // the calls made on it and what it took
  std::optional<zevra_harness::detail::ConversationEnd> end;
  std::optional<zevra_harness::detail::Breakdown> breakdown;  // when there is no end
  std::string stderr_tail;  // the refusal or the warn line, empty on exit
};

ModelConversation modelConversation(std::span<const std::uint8_t> script, std::string_view version,
                                    std::span<const ModelTest> tests);

}  // namespace zevra_fuzz

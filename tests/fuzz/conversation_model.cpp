#include "conversation_model.hpp"

#include "harness/core/runner_arena.hpp"

namespace zevra_fuzz {
namespace {

using zevra_harness::ConversationEnd;

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t getU32(std::span<const std::uint8_t> at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void putMetadata(std::vector<std::uint8_t>& out, std::span<const ModelTest> tests) {
  std::vector<std::uint8_t> table{0};
  std::vector<std::uint32_t> names;
  for (const ModelTest& t : tests) {
    names.push_back(static_cast<std::uint32_t>(table.size()));
    table.insert(table.end(), t.name.begin(), t.name.end());
    table.push_back(0);
  }
  const auto n = static_cast<std::uint32_t>(tests.size());
  putU32(out, 3);
  putU32(out, 8 + 8 * n + static_cast<std::uint32_t>(table.size()));
  putU32(out, static_cast<std::uint32_t>(table.size()));
  putU32(out, n);
  for (std::uint32_t offset : names) putU32(out, offset);
  for (std::uint32_t i = 0; i < n; ++i) putU32(out, 0);
  out.insert(out.end(), table.begin(), table.end());
}

}  // namespace

ModelConversation modelConversation(std::string_view version, std::span<const ModelTest> tests,
                                    std::span<const std::uint8_t> sent) {
  ModelConversation m;
  putU32(m.output, 0);
  putU32(m.output, static_cast<std::uint32_t>(version.size()));
  m.output.insert(m.output.end(), version.begin(), version.end());
  m.message_ends.push_back(m.output.size());

  const auto ended = [](ConversationEnd end) { return ModelEnd{false, end, {}}; };
  const auto failed = [](zevra_harness::Error e) { return ModelEnd{true, {}, e}; };
  for (;;) {
    if (sent.size() < 8) {
      m.end = failed(zevra_harness::BrokenPipe);
      break;
    }
    const std::uint32_t tag = getU32(sent);
    const std::uint32_t len = getU32(sent.subspan(4));
    // The whole message must fit in the runner's arena.
    if (std::size_t{8} + len > zevra_harness::kRunnerArenaBytes) {
      m.end = failed(zevra_harness::OutOfMemory);
      break;
    }
    if (sent.size() < std::size_t{8} + len) {
      m.end = failed(zevra_harness::BrokenPipe);
      break;
    }
    std::span<const std::uint8_t> body = sent.subspan(8, len);
    sent = sent.subspan(8 + len);

    if (tag == 0) {
      m.end = ended(ConversationEnd::exit);
      break;
    }
    if (tag == 4 && len == 0) {
      putMetadata(m.output, tests);
    } else if (tag == 5 && len == 4 && getU32(body) < tests.size()) {
      const std::uint32_t index = getU32(body);
      putU32(m.output, 4);
      putU32(m.output, 8);
      putU32(m.output, index);
      putU32(m.output, tests[index].flags);
    } else {
      m.end = ended(ConversationEnd::refused);
      break;
    }
    m.message_ends.push_back(m.output.size());
  }
  return m;
}

}  // namespace zevra_fuzz

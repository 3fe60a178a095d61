#include "harness/core/failure_trace.hpp"

#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string_view>

#include "zevra_harness/status.hpp"

namespace zevra_harness {
namespace {

// Fixed capacity: the harness never allocates. A deeper chain keeps its
// first places (the raise and the innermost pass-backs) and counts the rest.
struct Record {
  static constexpr std::size_t kCapacity = 32;
  std::source_location places[kCapacity];
  std::size_t len = 0;
  std::size_t dropped = 0;
};
constinit Record record;

void push(std::source_location loc) {
  if (record.len < Record::kCapacity) record.places[record.len++] = loc;
  else ++record.dropped;
}

}  // namespace

void traceRaise(std::source_location loc) {
  traceClear();
  push(loc);
}
// A check written directly in a test is raised and passed back on the same
// line: record that place once.
void tracePassBack(std::source_location loc) {
  if (record.len != 0 && record.dropped == 0) {
    const std::source_location& last = record.places[record.len - 1];
    if (last.line() == loc.line() && std::string_view(last.file_name()) == loc.file_name() &&
        std::string_view(last.function_name()) == loc.function_name())
      return;
  }
  push(loc);
}
void traceClear() { record.len = record.dropped = 0; }

void appendFailureTrace(Buffer& out) {
  for (std::size_t i = 0; i < record.len; ++i) {
    const std::source_location& p = record.places[i];
    format(out, "{}:{}:{}: in {}\n", std::string_view(p.file_name()),
           static_cast<std::uint32_t>(p.line()), static_cast<std::uint32_t>(p.column()),
           std::string_view(p.function_name()));
  }
  if (record.dropped != 0) format(out, "({} more places)\n", record.dropped);
}

}  // namespace zevra_harness

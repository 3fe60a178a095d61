#include "harness/failure_trace.hpp"

#include <cstddef>
#include <cstdint>
#include <source_location>

#include "harness/status.hpp"

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
void tracePassBack(std::source_location loc) { push(loc); }
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

#include "harness/portable/core/failure_trace.hpp"

#include <cstdint>
#include <string_view>

#include "harness/portable/diagnostics/format.hpp"

namespace zevra_harness::detail {

void FailureTrace::raise(std::source_location loc) {
  clear();
  passBack(loc);
}

void FailureTrace::passBack(std::source_location loc) {
  // A check written directly in a test is raised and passed back on the same
  // line: record that place once.
  if (len_ != 0 && dropped_ == 0) {
    const std::source_location& last = places_[len_ - 1];
    if (last.line() == loc.line() && std::string_view(last.file_name()) == loc.file_name() &&
        std::string_view(last.function_name()) == loc.function_name())
      return;
  }
  if (len_ < kCapacity)
    places_[len_++] = loc;
  else
    ++dropped_;
}

void FailureTrace::append(OutputBuffer& out) const {
  for (std::size_t i = 0; i < len_; ++i) {
    const std::source_location& p = places_[i];
    format(out, "{}:{}:{}: in {}\n", std::string_view(p.file_name()),
           static_cast<std::uint32_t>(p.line()), static_cast<std::uint32_t>(p.column()),
           std::string_view(p.function_name()));
  }
  if (dropped_ != 0) format(out, "({} more places)\n", dropped_);
}

}  // namespace zevra_harness::detail

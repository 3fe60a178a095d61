#include "harness/portable/allocator/allocator_reports.hpp"

#include "harness/portable/diagnostics/fatal.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness::detail {

void FreeReport::print(std::size_t len, std::size_t alignment, const CapturedTrace& trace) const {
  if (kind == Kind::invalid) fatal("Invalid free");
  if (kind == Kind::double_free) {
    log(Level::err, "gpa", "Double free detected. Allocation: {} First free: {} Second free: {}",
        alloc.view(), first_free.view(), trace.view());
    return;
  }
  if (size_differs)
    log(Level::err, "gpa",
        "Allocation size {} bytes does not match free size {}. Allocation: {} Free: {}", alloc_len,
        len, alloc.view(), trace.view());
  if (alignment_differs)
    log(Level::err, "gpa",
        "Allocation alignment {} does not match free alignment {}. Allocation: {} Free: {}",
        alloc_alignment, alignment, alloc.view(), trace.view());
}

void logAllocationFailure(Error e, std::size_t len, std::size_t alignment,
                          const CapturedTrace& trace) {
  if (e == BadAlignment)
    log(Level::warn, "gpa", "Alignment {} is not a power of two ({} bytes asked). Allocation: {}",
        alignment, len, trace.view());
  else
    log(Level::warn, "gpa", "Out of memory: {} bytes aligned to {}. Allocation: {}", len,
        alignment == 0 ? 1 : alignment, trace.view());
}

void logLeak(std::uintptr_t addr, TraceView alloc_trace) {
  log(Level::err, "gpa", "memory address 0x{} leaked: {}", Hex{addr}, alloc_trace);
}

}  // namespace zevra_harness::detail

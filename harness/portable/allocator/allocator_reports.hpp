#pragma once
// What the checking allocator reports, through the log sink with scope
// "gpa": misuse found by a free and each leak at error level, a failed
// allocation at warn level (the caller gets the error itself). A free
// gathers what it found under the allocator's lock and reports it after
// the lock is released.

#include <cstddef>
#include <cstdint>

#include "harness/portable/allocator/trace_store.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness::detail {

struct FreeReport {
  enum class Kind : std::uint8_t { freed, double_free, invalid };
  Kind kind = Kind::freed;
  bool size_differs = false;
  bool alignment_differs = false;
  std::size_t alloc_len = 0;
  std::size_t alloc_alignment = 0;
  CapturedTrace alloc;       // copied only when there is something to report
  CapturedTrace first_free;  // copied only for a double free

  // A second free of an allocation whose traces are still kept.
  void doubleFree(TraceStore::Id alloc_trace, TraceStore::Id free_trace, const TraceStore& traces) {
    kind = Kind::double_free;
    traces.copy(alloc_trace, alloc);
    traces.copy(free_trace, first_free);
  }

  // The free of a live allocation (a record with `len`, `align_log2` and
  // `alloc_trace`), checked against what was allocated. A mismatched free
  // still frees: the pointer names exactly one live allocation, and keeping
  // it would report the same fault again as a leak.
  template <typename R>
  void live(const R& r, std::size_t len, std::size_t alignment, const TraceStore& traces) {
    alloc_len = r.len;
    alloc_alignment = std::size_t{1} << r.align_log2;
    size_differs = alloc_len != len;
    alignment_differs = alloc_alignment != alignment;
    if (size_differs || alignment_differs) traces.copy(r.alloc_trace, alloc);
  }

  // Logs what was found for the free of `len` bytes at `alignment` made at
  // `trace`; a free of memory the allocator never handed out is the fatal
  // stop "Invalid free".
  void print(std::size_t len, std::size_t alignment, const CapturedTrace& trace) const;
};

// "Out of memory: ..." or "Alignment {} is not a power of two ...", with
// what was asked and where.
void logAllocationFailure(Error e, std::size_t len, std::size_t alignment,
                          const CapturedTrace& trace);

// "memory address 0x{x} leaked: {trace}".
void logLeak(std::uintptr_t addr, TraceView alloc_trace);

}  // namespace zevra_harness::detail

#pragma once
// Stack traces, as the platform supplies them: captured as return addresses
// (cheap enough to run on every allocation) and printed one frame a line.
// On Linux (harness/posix/stack_trace.cpp) a frame-pointer walk and a
// symbolizer set up when the first trace is printed; where the stack cannot
// be walked (WASI, harness/wasi/stack_trace.cpp) every trace is empty.

#include <cstddef>
#include <cstdint>
#include <span>

#include "zevra_harness/print.hpp"

namespace zevra_harness::detail {

// A captured trace, as the return addresses of its frames (innermost first).
struct TraceView {
  std::span<const std::uintptr_t> frames;
  // The first entry is the faulting instruction itself, not a return address.
  bool first_is_pc = false;
};

// A whole stack in fixed room (a signal handler cannot allocate): its
// innermost and outermost frames, and the count of those between.
class StackCapture {
 public:
  static constexpr std::size_t kKept = 16;  // at each end

  // Adds the next frame outwards.
  void add(std::uintptr_t pc) {
    if (total_ < kKept)
      inner_[total_] = pc;
    else
      outer_[(total_ - kKept) % kKept] = pc;
    ++total_;
  }
  // The first frame added is the faulting instruction, not a return address.
  void markFirstAsPc() { first_is_pc_ = true; }

  std::size_t total() const { return total_; }
  TraceView innermost() const { return {{inner_, total_ < kKept ? total_ : kKept}, first_is_pc_}; }
  // The outermost frames, in order, copied into `room`.
  TraceView outermost(std::span<std::uintptr_t, kKept> room) const {
    if (total_ <= kKept) return {};
    const std::size_t count = total_ - kKept < kKept ? total_ - kKept : kKept;
    // The oldest kept entry of the ring comes first.
    const std::size_t first = total_ - kKept < kKept ? 0 : (total_ - kKept) % kKept;
    for (std::size_t i = 0; i < count; ++i) room[i] = outer_[(first + i) % kKept];
    return {{room.data(), count}};
  }
  std::size_t leftOut() const { return total_ > 2 * kKept ? total_ - 2 * kKept : 0; }

 private:
  std::uintptr_t inner_[kKept];
  std::uintptr_t outer_[kKept];  // a ring: the latest kKept frames past inner_
  std::size_t total_ = 0;
  bool first_is_pc_ = false;
};

// Fills `out` with the return addresses of the calling thread's stack,
// skipping the `skip` innermost frames; returns how many were written.
[[gnu::noinline]] std::size_t captureStackTrace(std::span<std::uintptr_t> out,
                                                std::size_t skip = 0);
// The same walk over the whole stack, into fixed room.
[[gnu::noinline]] void captureStack(StackCapture& out, std::size_t skip = 0);

class OutputBuffer;
// Appends "\n" then one line per frame: "0x{addr} in {function} ({file}:{line})",
// inlined frames each on a line of their own; a StackCapture puts
// "({} frames left out)" between its two ends. Call with standard error locked.
void appendTrace(OutputBuffer& out, TraceView trace);
void appendTrace(OutputBuffer& out, const StackCapture& trace);
// A trace as the argument of a format ("zevra_harness/print.hpp").
inline void printValue(TextSink& out, const TraceView& trace) { appendTrace(out.buffer(), trace); }

}  // namespace zevra_harness::detail

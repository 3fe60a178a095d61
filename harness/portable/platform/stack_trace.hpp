#pragma once
// Stack traces: a frame-pointer walk that captures return addresses (cheap
// enough to run on every allocation) and a symbolizer that is set up only
// when the first trace is printed. A signal handler uses it only once that
// has happened and while no one else is inside it; otherwise its frames are
// printed as bare addresses.

#include <cstddef>
#include <cstdint>
#include <span>

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
  TraceView innermost() const;
  // The outermost frames, in order, copied into `room`.
  TraceView outermost(std::span<std::uintptr_t, kKept> room) const;
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

// In a signal handler: the interrupted thread's stack from its saved frame
// pointer, bounded below by its stack pointer; uses only calls a handler may
// make.
void captureStackInSignalHandler(std::uintptr_t frame_pointer, std::uintptr_t stack_pointer,
                                 StackCapture& out);

// The upper end of the calling thread's stack, looked up once per thread
// (never from a signal handler: the lookup allocates). Every thread the
// harness starts calls it first, so that a handler on it has it.
std::uintptr_t threadStackEnd();

class OutputBuffer;
// Appends "\n" then one line per frame: "0x{addr} in {function} ({file}:{line})",
// inlined frames each on a line of their own; a StackCapture puts
// "({} frames left out)" between its two ends. Call with standard error locked.
void appendTrace(OutputBuffer& out, TraceView trace);
void appendTrace(OutputBuffer& out, const StackCapture& trace);
// The same from a signal handler: symbols only from a symbolizer that is
// already set up and idle, names demangled only without the heap, and
// "0x{addr} in ???" otherwise.
void appendTraceInSignalHandler(OutputBuffer& out, const StackCapture& trace);

// A trace as the argument of a format ("zevra_harness/print.hpp").
inline void appendFormatArg(OutputBuffer& out, const TraceView& trace) { appendTrace(out, trace); }

}  // namespace zevra_harness::detail

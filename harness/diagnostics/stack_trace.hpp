#pragma once
// Stack traces: a frame-pointer walk that captures return addresses (cheap
// enough to run on every allocation) and a symbolizer that is set up only
// when the first trace is printed.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zevra_harness {

// A captured trace, as the return addresses of its frames (innermost first).
struct TraceView {
  std::span<const std::uintptr_t> frames;
  // The first entry is the faulting instruction itself, not a return address.
  bool first_is_pc = false;
};

// Fills `out` with the return addresses of the calling thread's stack,
// skipping the `skip` innermost frames; returns how many were written.
[[gnu::noinline]] std::size_t captureStackTrace(std::span<std::uintptr_t> out,
                                                std::size_t skip = 0);

// The same walk from a given frame pointer (the fault handler's saved rbp),
// bounded below by `stack_low` (the interrupted stack pointer).
std::size_t captureStackTraceFrom(std::uintptr_t frame_pointer, std::uintptr_t stack_low,
                                  std::span<std::uintptr_t> out);

class OutputBuffer;
// Appends "\n" then one line per frame: "0x{addr} in {function} ({file}:{line})",
// inlined frames each on a line of their own. Call with standard error locked.
void appendTrace(OutputBuffer& out, TraceView trace);

// A trace as the argument of a format ("zevra_harness/print.hpp").
inline void appendFormatArg(OutputBuffer& out, const TraceView& trace) { appendTrace(out, trace); }

}  // namespace zevra_harness

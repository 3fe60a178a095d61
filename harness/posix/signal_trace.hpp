#pragma once
// The stack traces of a signal handler (the fault handler's): the walk
// starts from the interrupted thread's saved registers and keeps to calls a
// handler may make. The symbolizer is used only once a trace has been
// printed with it and while no one else is inside it; otherwise the frames
// are printed as bare addresses.

#include <cstdint>

#include "harness/portable/platform/stack_trace.hpp"

namespace zevra_harness::detail {

// The interrupted thread's stack from its saved frame pointer, bounded
// below by its stack pointer.
void captureStackInSignalHandler(std::uintptr_t frame_pointer, std::uintptr_t stack_pointer,
                                 StackCapture& out);

// The upper end of the calling thread's stack, looked up once per thread
// (never from a signal handler: the lookup allocates). Every thread the
// harness starts calls it first, so that a handler on it has it.
std::uintptr_t threadStackEnd();

// appendTrace from a signal handler: symbols only from a symbolizer that is
// already set up and idle, names demangled only without the heap, and
// "0x{addr} in ???" otherwise.
void appendTraceInSignalHandler(OutputBuffer& out, const StackCapture& trace);

}  // namespace zevra_harness::detail

#include "harness/portable/platform/stack_trace.hpp"

#include "harness/portable/diagnostics/output_buffer.hpp"

namespace zevra_harness::detail {

// A WebAssembly module cannot read its own call stack: every trace is empty,
// a newline followed by no frames.
std::size_t captureStackTrace(std::span<std::uintptr_t>, std::size_t) { return 0; }
void captureStack(StackCapture&, std::size_t) {}
void appendTrace(OutputBuffer& out, TraceView) { out.append('\n'); }
void appendTrace(OutputBuffer& out, const StackCapture&) { out.append('\n'); }

}  // namespace zevra_harness::detail

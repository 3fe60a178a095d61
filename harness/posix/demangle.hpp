#pragma once
// Readable C++ function names in stack traces.

namespace zevra_harness::detail {

class OutputBuffer;

// Appends the demangled form of a mangled C++ name ("_Z..."), or the name as
// it is. A signal handler (`in_signal_handler`) gets a demangled name only
// where the toolchain's demangler can work without the heap; elsewhere the
// heap may be used.
void appendDemangled(OutputBuffer& out, const char* name, bool in_signal_handler);

}  // namespace zevra_harness::detail

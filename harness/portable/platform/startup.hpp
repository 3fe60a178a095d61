#pragma once
// Process start-up of a test executable, before its command line is read:
// on Linux (harness/posix/startup.cpp) the stack limit, the fault handler
// and SIGPIPE; nothing where a process has no signals (WASI).

namespace zevra_harness::detail {

// Linux: raises the soft stack limit to 16 MiB (never above the hard
// limit), installs the fault handler and a SIGPIPE handler.
void startUp();

}  // namespace zevra_harness::detail

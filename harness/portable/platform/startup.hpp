#pragma once
// Process start-up of a test executable, before its command line is read.

namespace zevra_harness::detail {

// Raises the soft stack limit to 16 MiB (never above the hard limit),
// installs the fault handler and a SIGPIPE handler.
void startUp();

}  // namespace zevra_harness::detail

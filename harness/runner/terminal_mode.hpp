#pragma once
// The terminal front end: every registered test once, in registry order, one
// line each when standard error is not a terminal, then a summary.

#include "zevra_harness/registry.hpp"

namespace zevra_harness::detail {

// Returns the exit status: 0 for a clean run, 1 when a test failed, leaked
// or an error was logged.
int mainTerminal(Registry registry);

}  // namespace zevra_harness::detail

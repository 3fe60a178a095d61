#pragma once
// The entry of a test executable: `main` hands its registry and arguments to
// runMain, which starts the process up, reads the command line and runs the
// terminal front end (every test, then a summary) or, with --listen=-, the
// build-runner protocol.

#include "zevra_harness/registry.hpp"

namespace zevra_harness {

// The exit status of terminal mode (0 for a clean run, 1 otherwise); every
// other ending is an exit or a fatal stop inside.
int runMain(Registry registry, int argc, char** argv);

}  // namespace zevra_harness

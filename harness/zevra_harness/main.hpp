#pragma once
// The entry of a test executable: start-up, command line, then the terminal
// front end (run every test, print a summary) or the build-runner protocol.

#include "zevra_harness/registry.hpp"

namespace zevra_harness {

// Never returns on failure paths (fatal stop); otherwise the exit status.
int runMain(Registry registry, int argc, char** argv);

// Terminal mode: returns 0 for a clean run, 1 otherwise.
int mainTerminal(Registry registry);

// Protocol mode: returns only with an error.
Error mainServer(Registry registry);

// Process start-up: raise the stack limit, install the fault and SIGPIPE handlers.
void startUp();

}  // namespace zevra_harness

#pragma once
// The progress drawing on a terminal: a thread of its own draws the first
// frame 200 ms after the start and redraws every 80 ms. Every other print to
// standard error clears the drawing first (through the standard-error lock's
// clear hook), so text and drawing never interleave. While it is up, SIGINT
// and SIGTERM erase it before they end the process.

#include <cstddef>
#include <string_view>

namespace zevra_harness::detail::progress {

// True when standard error is a terminal that takes escape sequences.
bool terminalAcceptsEscapes();

// Starts the drawing thread; false (after a warn message) when it cannot.
bool terminalStart(std::string_view root_label, std::size_t total);
void terminalItemBegin(std::string_view label);
void terminalItemEnd();
// Stops the thread at once and clears the drawing.
void terminalEnd();

}  // namespace zevra_harness::detail::progress

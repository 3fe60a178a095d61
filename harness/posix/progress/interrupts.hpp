#pragma once
// SIGINT and SIGTERM while the progress drawing is up: the drawing is erased
// (taking the standard-error lock runs its clear hook), then the signal ends
// the process as it would have without the display.

#include <signal.h>

namespace zevra_harness::detail::progress {

// Takes over the interrupts that are not ignored (a run in the background
// keeps them ignored), until giveBackInterrupts restores what was there.
void takeInterrupts();
void giveBackInterrupts();

// Blocks the interrupts on the calling thread and returns its mask from
// before: a thread started meanwhile inherits the block, so that the handler
// runs on the thread of the tests.
sigset_t blockInterrupts();

}  // namespace zevra_harness::detail::progress

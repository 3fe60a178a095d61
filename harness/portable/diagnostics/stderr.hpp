#pragma once
// Standard error, shared by the runner, the tests, the log sink, the fatal
// stop, the fault handler and the progress drawing: one process-wide lock,
// and each message gathered in a buffer and written when it is complete.

#include <string_view>

#include "harness/portable/diagnostics/output_buffer.hpp"

namespace zevra_harness::detail {

// Holds the standard-error lock (recursive: a fatal stop inside a print still
// reports). Taking it first clears the progress drawing.
class StderrLock {
 public:
  StderrLock();
  // For a signal handler, which must not wait on a thread that may never let
  // go: tries for a bounded time, then goes on without the lock.
  struct InSignalHandler {};
  explicit StderrLock(InSignalHandler);
  ~StderrLock();
  StderrLock(const StderrLock&) = delete;
  StderrLock& operator=(const StderrLock&) = delete;

 private:
  bool held_ = true;
};

// One message for standard error, gathered on the stack and written when the
// buffer is full and when it goes out of scope; it starts with any deferred
// text. Use it with the lock held. A failed write drops the text silently.
class StderrBuffer : public OwnedBuffer<1024> {
 public:
  StderrBuffer();
};

// Holds `text` (a literal) back until the next message to standard error,
// which starts with it; lets the runner send a test's "OK" together with the
// next line in one write. Call with the lock held.
void deferToNextPrint(std::string_view text);

// Hook the progress display installs: called with the lock held before any
// other text goes to standard error, so that drawing and text never mix.
using ClearHook = void (*)();
void setStderrClearHook(ClearHook hook);

}  // namespace zevra_harness::detail

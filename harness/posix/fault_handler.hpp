#pragma once
// The fault handler: on SIGSEGV, SIGILL, SIGBUS or SIGFPE one line naming the
// fault and its address, a stack trace of the faulting thread, then abort. It
// runs on an alternate stack, so that a stack overflow is reported too, and
// makes only calls a signal handler may make: it allocates nothing, waits a
// bounded time for the standard-error lock and then writes without it, and
// prints bare addresses where symbols cannot be had safely.

#include <signal.h>

#include <cstddef>
#include <span>

namespace zevra_harness::detail {

// Room for the symbolizer, which may run on it when a fault is reported.
// Each such stack is defined in section ".lbss.zevra_alt_stack", which the
// linker places after all other zero-initialised data: only a signal handler
// touches it, and in the middle of .bss it would spread the small variables
// that every start-up touches over one more page (one page fault more).
inline constexpr std::size_t kAlternateStackBytes = 256 * 1024;

// Installs the handler, with the main thread's alternate stack.
void installFaultHandler();

// Gives the calling thread `stack` as its alternate signal stack while it
// lives, then the one it had before (which a sanitizer frees when the thread
// ends). Every thread the harness starts holds one.
class AlternateSignalStack {
 public:
  explicit AlternateSignalStack(std::span<std::byte, kAlternateStackBytes> stack);
  ~AlternateSignalStack();
  AlternateSignalStack(const AlternateSignalStack&) = delete;
  AlternateSignalStack& operator=(const AlternateSignalStack&) = delete;

 private:
  stack_t previous_{};
};

}  // namespace zevra_harness::detail

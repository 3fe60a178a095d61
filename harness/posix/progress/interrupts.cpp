#include "harness/posix/progress/interrupts.hpp"

#include <pthread.h>

#include <iterator>

#include "harness/portable/diagnostics/stderr.hpp"

namespace zevra_harness::detail::progress {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM};
// What each did before the display took it over, and whether it did.
struct sigaction before[std::size(kInterrupts)];
bool taken[std::size(kInterrupts)];

// Back at its default action (SA_RESETHAND) and not blocked (SA_NODEFER),
// the signal raised again ends the process. The lock is kept, so that no
// frame is drawn in between.
void onInterrupt(int sig) {
  StderrLock lock(StderrLock::InSignalHandler{});
  (void)::raise(sig);
}

}  // namespace

void takeInterrupts() {
  struct sigaction on {};
  on.sa_handler = &onInterrupt;
  on.sa_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER | SA_ONSTACK);
  sigemptyset(&on.sa_mask);
  for (std::size_t i = 0; i < std::size(kInterrupts); ++i)
    taken[i] = ::sigaction(kInterrupts[i], nullptr, &before[i]) == 0 &&
               before[i].sa_handler != SIG_IGN && ::sigaction(kInterrupts[i], &on, nullptr) == 0;
}

void giveBackInterrupts() {
  for (std::size_t i = 0; i < std::size(kInterrupts); ++i)
    if (taken[i]) (void)::sigaction(kInterrupts[i], &before[i], nullptr);
}

sigset_t blockInterrupts() {
  sigset_t block, mask_before;
  sigemptyset(&block);
  for (int sig : kInterrupts) sigaddset(&block, sig);
  (void)::pthread_sigmask(SIG_BLOCK, &block, &mask_before);
  return mask_before;
}

}  // namespace zevra_harness::detail::progress

#include "harness/portable/platform/startup.hpp"

#include <signal.h>
#include <sys/resource.h>

#include "harness/posix/fault_handler.hpp"

namespace zevra_harness::detail {
namespace {

constexpr rlim_t kStackBytes = 16777216;

void raiseStackLimit() {
  rlimit lim;
  if (getrlimit(RLIMIT_STACK, &lim) != 0) return;
  if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < kStackBytes) {
    lim.rlim_cur =
        (lim.rlim_max == RLIM_INFINITY || lim.rlim_max > kStackBytes) ? kStackBytes : lim.rlim_max;
    (void)setrlimit(RLIMIT_STACK, &lim);
  }
}

void onPipe(int) {}

}  // namespace

void startUp() {
  raiseStackLimit();
  installFaultHandler();

  // A handler rather than SIG_IGN: a write to a closed pipe fails with EPIPE,
  // and child processes do not inherit an ignored SIGPIPE.
  struct sigaction pipe {};
  pipe.sa_handler = onPipe;
  sigemptyset(&pipe.sa_mask);
  (void)sigaction(SIGPIPE, &pipe, nullptr);
}

}  // namespace zevra_harness::detail

// Process start-up: a 16 MiB stack, the fault handler on an alternate stack
// (so that a stack overflow is reported too) and a SIGPIPE handler.
#include <signal.h>
#include <sys/resource.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "zevra_harness/print.hpp"
#include "zevra_harness/main.hpp"
#include "harness/core/runner_arena.hpp"
#include "harness/diagnostics/stack_trace.hpp"

namespace zevra_harness {
namespace {

constexpr rlim_t kStackBytes = 16777216;

alignas(16) constinit std::byte fba_buffer[kRunnerArenaBytes];
constinit Arena fba{fba_buffer};

// Large enough for the symbolizer, which runs on it when a fault is reported.
alignas(16) constinit std::byte alt_stack[256 * 1024];

void raiseStackLimit() {
  rlimit lim;
  if (getrlimit(RLIMIT_STACK, &lim) != 0) return;
  if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < kStackBytes) {
    lim.rlim_cur = (lim.rlim_max == RLIM_INFINITY || lim.rlim_max > kStackBytes) ? kStackBytes
                                                                                  : lim.rlim_max;
    (void)setrlimit(RLIMIT_STACK, &lim);
  }
}

void onFault(int sig, siginfo_t* info, void* context) {
  auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
  const auto* uc = static_cast<const ucontext_t*>(context);
  auto pc = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
  auto fp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RBP]);
  auto sp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);

  std::uintptr_t frames[32];
  frames[0] = pc;
  std::size_t n = 1 + captureStackTraceFrom(fp, sp, std::span(frames).subspan(1));

  StderrLock lock;
  Buffer out;
  switch (sig) {
    case SIGSEGV:
      if (info->si_code == SI_KERNEL) out.append("General protection exception (no address available)");
      else format(out, "Segmentation fault at address 0x{}", Hex{addr});
      break;
    case SIGILL: format(out, "Illegal instruction at address 0x{}", Hex{addr}); break;
    case SIGBUS: format(out, "Bus error at address 0x{}", Hex{addr}); break;
    default: format(out, "Arithmetic exception at address 0x{}", Hex{addr}); break;
  }
  // The trace starts with the newline that ends the fault line.
  out.append(TraceView{{frames, n}, true});
  out.append('\n');
  out.flush();
  std::abort();
}

void onPipe(int) {}

}  // namespace

Arena& runnerArena() { return fba; }

void startUp() {
  raiseStackLimit();

  stack_t ss{};
  ss.ss_sp = alt_stack;
  ss.ss_size = sizeof alt_stack;
  (void)sigaltstack(&ss, nullptr);

  struct sigaction fault{};
  fault.sa_sigaction = onFault;
  fault.sa_flags = static_cast<int>(SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER);
  sigemptyset(&fault.sa_mask);
  for (int sig : {SIGSEGV, SIGILL, SIGBUS, SIGFPE}) (void)sigaction(sig, &fault, nullptr);

  // A handler rather than SIG_IGN: a write to a closed pipe fails with EPIPE,
  // and child processes do not inherit an ignored SIGPIPE.
  struct sigaction pipe{};
  pipe.sa_handler = onPipe;
  sigemptyset(&pipe.sa_mask);
  (void)sigaction(SIGPIPE, &pipe, nullptr);
}

}  // namespace zevra_harness

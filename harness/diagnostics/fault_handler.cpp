#include "harness/diagnostics/fault_handler.hpp"

#include <signal.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "harness/diagnostics/format.hpp"
#include "harness/diagnostics/stack_trace.hpp"
#include "harness/diagnostics/stderr.hpp"

namespace zevra_harness {
namespace {

// Large enough for the symbolizer, which runs on it when a fault is reported.
alignas(16) constinit std::byte alt_stack[256 * 1024];

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
  StderrBuffer out;
  switch (sig) {
    case SIGSEGV:
      if (info->si_code == SI_KERNEL)
        out.append("General protection exception (no address available)");
      else
        format(out, "Segmentation fault at address 0x{}", Hex{addr});
      break;
    case SIGILL:
      format(out, "Illegal instruction at address 0x{}", Hex{addr});
      break;
    case SIGBUS:
      format(out, "Bus error at address 0x{}", Hex{addr});
      break;
    default:
      format(out, "Arithmetic exception at address 0x{}", Hex{addr});
      break;
  }
  // The trace starts with the newline that ends the fault line.
  appendTrace(out, TraceView{{frames, n}, true});
  out.append('\n');
  (void)out.flush();
  std::abort();
}

}  // namespace

void installFaultHandler() {
  stack_t ss{};
  ss.ss_sp = alt_stack;
  ss.ss_size = sizeof alt_stack;
  (void)sigaltstack(&ss, nullptr);

  struct sigaction fault {};
  fault.sa_sigaction = onFault;
  fault.sa_flags = static_cast<int>(SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER);
  sigemptyset(&fault.sa_mask);
  for (int sig : {SIGSEGV, SIGILL, SIGBUS, SIGFPE}) (void)sigaction(sig, &fault, nullptr);
}

}  // namespace zevra_harness

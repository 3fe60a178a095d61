#include "harness/posix/fault_handler.hpp"

#include <signal.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>

#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"
#include "harness/portable/platform/stack_trace.hpp"
#include "harness/posix/signal_trace.hpp"

namespace zevra_harness::detail {
namespace {

[[gnu::section(".lbss.zevra_alt_stack")]] alignas(16) constinit std::byte
    main_alt_stack[kAlternateStackBytes];

void onFault(int sig, siginfo_t* info, void* context) {
  auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
  const auto* uc = static_cast<const ucontext_t*>(context);
  auto pc = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
  auto fp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RBP]);
  auto sp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);

  StackCapture frames;
  frames.add(pc);
  frames.markFirstAsPc();
  captureStackInSignalHandler(fp, sp, frames);

  StderrLock lock(StderrLock::InSignalHandler{});
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
  appendTraceInSignalHandler(out, frames);
  out.append('\n');
  (void)out.flush();
  std::abort();
}

}  // namespace

AlternateSignalStack::AlternateSignalStack(std::span<std::byte, kAlternateStackBytes> stack) {
  stack_t ss{};
  ss.ss_sp = stack.data();
  ss.ss_size = stack.size();
  if (sigaltstack(&ss, &previous_) != 0) previous_.ss_flags = SS_DISABLE;
}

AlternateSignalStack::~AlternateSignalStack() { (void)sigaltstack(&previous_, nullptr); }

void installFaultHandler() {
  // The main thread's, for as long as the process runs.
  stack_t ss{};
  ss.ss_sp = main_alt_stack;
  ss.ss_size = sizeof main_alt_stack;
  (void)sigaltstack(&ss, nullptr);

  struct sigaction fault {};
  fault.sa_sigaction = onFault;
  fault.sa_flags = static_cast<int>(SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER);
  sigemptyset(&fault.sa_mask);
  for (int sig : {SIGSEGV, SIGILL, SIGBUS, SIGFPE}) (void)sigaction(sig, &fault, nullptr);
}

}  // namespace zevra_harness::detail

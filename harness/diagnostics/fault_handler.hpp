#pragma once
// The fault handler: on SIGSEGV, SIGILL, SIGBUS or SIGFPE one line naming the
// fault and its address, a stack trace of the faulting thread, then abort. It
// runs on an alternate stack, so that a stack overflow is reported too.

namespace zevra_harness {

void installFaultHandler();

}  // namespace zevra_harness

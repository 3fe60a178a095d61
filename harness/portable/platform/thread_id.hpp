#pragma once
// The id of the calling thread, as the fatal stop names it ("thread {}
// panic: ..."): the kernel's thread id on Linux, 1 where a process has one
// thread only (WASI).

namespace zevra_harness::detail {

long currentThreadId();

}  // namespace zevra_harness::detail

// A runner with one test that faults in the way FAULT_KIND names; the fault
// handler reports it and aborts, also where it must not wait for a lock.
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "harness/portable/diagnostics/stderr.hpp"
#include "harness/posix/progress/terminal.hpp"
#include "zevra_harness/main.hpp"

#ifdef FAULTS_LOCKED_MALLOC
void faultInNextMalloc();  // locked_malloc.cpp
#endif

namespace {

const char* fault_kind = "";

// Recurses until the stack runs out (the depth keeps it from being folded).
#pragma GCC diagnostic ignored "-Winfinite-recursion"
[[gnu::noinline]] int recurse(volatile int* depth) {
  volatile char pad[256];
  pad[0] = static_cast<char>(*depth);
  *depth = *depth + 1;
  return recurse(depth) + pad[0];
}

// Not known to be null, so that the store is made as written.
int* volatile nowhere = nullptr;

// Faults `depth` calls deep, so that the trace has frames to walk.
[[gnu::noinline]] __attribute__((no_sanitize("undefined"))) void faultAfter(int depth) {
  if (depth == 0) *nowhere = 1;
  if (depth > 0) faultAfter(depth - 1);
  asm volatile("");  // no tail call: each call keeps its frame
}

// The drawing thread stands still inside the standard-error lock: it runs the
// lock's clear hook each time it takes the lock to draw.
std::atomic<bool> drawing_holds_stderr{false};
void holdForever() {
  if (::gettid() == ::getpid()) return;  // the faulting thread goes on
  drawing_holds_stderr = true;
  for (;;) ::pause();
}

// Runs out of the drawing thread's stack: only its alternate stack lets the
// handler report that.
void overflowOnDrawingThread() {
  static std::atomic<bool> once{false};
  if (::gettid() == ::getpid() || once.exchange(true)) return;  // not again from the handler
  volatile int depth = 0;
  (void)recurse(&depth);
}

// The undefined-behaviour checker would stop these before the hardware does.
__attribute__((no_sanitize("undefined"))) zevra_harness::Status faults() {
  if (std::strcmp(fault_kind, "segv") == 0) {
    *static_cast<volatile int*>(nullptr) = 1;
  } else if (std::strcmp(fault_kind, "gp") == 0) {
    // A non-canonical address: the kernel reports no address for it.
    *reinterpret_cast<volatile int*>(0x8000000000000000ull) = 1;
  } else if (std::strcmp(fault_kind, "ill") == 0) {
    __builtin_trap();
  } else if (std::strcmp(fault_kind, "fpe") == 0) {
    volatile int seven = 7, zero = 0;
    volatile int q = seven / zero;
    (void)q;
  } else if (std::strcmp(fault_kind, "on-a-thread") == 0) {
    // A thread the harness did not start: its stack bounds come from the map.
    std::thread([] { faultAfter(3); }).join();
  } else if (std::strcmp(fault_kind, "while-drawing") == 0) {
    // The display draws on any descriptor when started directly; its first
    // frame is due after 200 ms.
    zevra_harness::detail::progress::terminalStart("Faults", 1);
    zevra_harness::detail::setStderrClearHook(&holdForever);
    while (!drawing_holds_stderr) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    *static_cast<volatile int*>(nullptr) = 1;
  } else if (std::strcmp(fault_kind, "overflow-while-drawing") == 0) {
    zevra_harness::detail::progress::terminalStart("Faults", 1);
    zevra_harness::detail::setStderrClearHook(&overflowOnDrawingThread);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
#ifdef FAULTS_LOCKED_MALLOC
  } else if (std::strcmp(fault_kind, "in-malloc") == 0) {
    faultInNextMalloc();
    void* volatile block = std::malloc(1);  // volatile: the pair is not optimised away
    std::free(block);
#endif
  } else if (std::strcmp(fault_kind, "overflow") == 0) {
    volatile int depth = 0;
    return zevra_harness::expect(recurse(&depth) == 0);
  }
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({{"faults.test.faults", &faults}});

}  // namespace

// The fault kind comes from the environment so the command line stays the
// runner's own.
int main(int argc, char** argv) {
  if (const char* kind = std::getenv("FAULT_KIND")) fault_kind = kind;
  return zevra_harness::runMain(tests, argc, argv);
}

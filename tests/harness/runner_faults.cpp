// A runner with one test that faults in the way the first argument names;
// the fault handler reports it and aborts.
#include <array>
#include <cstdlib>
#include <cstring>

#include "zevra_harness/main.hpp"

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

// The undefined-behaviour checker would stop these before the hardware does.
[[gnu::no_sanitize("undefined")]] zevra_harness::Status faults() {
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

// Misuse of the checking allocator while tests run: each report is an
// error-level "gpa" message and the test goes on; leaks are reported after the
// outcome line. The terminal output is compared with a golden file.
#include <array>
#include <cstring>

#include "harness/portable/allocator/allocator_instance.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::allocator;
using zevra_harness::expect;
using zevra_harness::Status;
using zevra_harness::detail::allocatorInstance;

Status leakOne() {
  void* p = allocator().allocate(48, 8);
  return expect(p != nullptr);
}

// The second free of p comes after q was handed out from the same size
// class: q must be a different slot, left alone by the double free.
Status doubleFree() {
  auto& a = allocatorInstance();
  void* p = a.alloc(32, 8).value();
  std::memset(p, 0x11, 32);
  a.free(p, 32, 8);
  auto* q = reinterpret_cast<unsigned char*>(a.alloc(32, 8).value());
  std::memset(q, 0x22, 32);
  a.free(p, 32, 8);
  ZEVRA_TRY(expect(q != p));
  ZEVRA_TRY(expect(q[0] == 0x22 && q[31] == 0x22));
  a.free(q, 32, 8);
  return {};
}

// A mismatched free is reported and still frees: no leak follows.
Status sizeMismatch() {
  auto& a = allocatorInstance();
  void* small = a.alloc(100, 8).value();
  a.free(small, 120, 8);
  void* large = allocator().allocate(10000, 16);
  allocator().deallocate(large, 9999, 16);
  return {};
}

Status alignmentMismatch() {
  auto& a = allocatorInstance();
  void* p = a.alloc(64, 16).value();
  a.free(p, 64, 32);
  void* both = a.alloc(20, 4).value();
  a.free(both, 24, 8);  // two reports: size, then alignment
  return {};
}

// The traces of the last 64 large frees are kept: p's is the oldest of them
// when the second free comes.
Status largeDoubleFree() {
  auto& a = allocatorInstance();
  void* p = a.alloc(1 << 20, 64).value();
  a.free(p, 1 << 20, 64);
  for (int i = 0; i < 63; ++i) a.free(a.alloc(8192, 8).value(), 8192, 8);
  a.free(p, 1 << 20, 64);
  return {};
}

// One report per live allocation, small and large; freed ones stay silent.
Status leakSeveral() {
  auto& a = allocatorInstance();
  void* freed = a.alloc(8, 8).value();
  (void)a.alloc(8, 8).value();
  (void)a.alloc(100000, 8).value();
  a.free(freed, 8, 8);
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"allocator.test.leak of one allocation", &leakOne},
    {"allocator.test.double free after the size class moved on", &doubleFree},
    {"allocator.test.free with a different size", &sizeMismatch},
    {"allocator.test.free with a different alignment", &alignmentMismatch},
    {"allocator.test.double free of a large allocation", &largeDoubleFree},
    {"allocator.test.leaks of small and large allocations", &leakSeveral},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

// Frees of memory the checking allocator never handed out end in the fatal
// stop "Invalid free"; an allocation through the memory resource that fails
// (its caller can take neither an error nor nullptr) in "out of memory" or
// "bad alignment", after the allocator's warning. The case is chosen by the
// first argument.
#include <cstdint>
#include <cstring>
#include <memory_resource>

#include "harness/portable/allocator/allocator_instance.hpp"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  auto& a = zevra_harness::detail::allocatorInstance();
  const char* kind = argv[1];
  if (std::strcmp(kind, "stack") == 0) {
    int local = 0;
    a.free(&local, sizeof local, alignof(int));
  } else if (std::strcmp(kind, "interior") == 0) {
    auto* p = reinterpret_cast<char*>(a.alloc(64, 8).value());
    a.free(p + 8, 56, 8);
  } else if (std::strcmp(kind, "unused-slot") == 0) {
    // The slot after the only one handed out lies in the same bucket.
    auto* p = reinterpret_cast<char*>(a.alloc(64, 8).value());
    a.free(p + 64, 64, 8);
  } else if (std::strcmp(kind, "large-interior") == 0) {
    auto* p = reinterpret_cast<char*>(a.alloc(1 << 16, 8).value());
    a.free(p + 4096, 4096, 8);
  } else if (std::strcmp(kind, "resource-out-of-memory") == 0) {
    (void)static_cast<std::pmr::memory_resource&>(a).allocate(SIZE_MAX / 2, 8);
  } else if (std::strcmp(kind, "resource-bad-alignment") == 0) {
    // Not a constant: Clang warns of a constant alignment that is no power of 2.
    const volatile std::size_t alignment = 24;
    (void)static_cast<std::pmr::memory_resource&>(a).allocate(16, alignment);
  } else if (std::strcmp(kind, "after-deinit") == 0) {
    void* p = a.alloc(64, 8).value();
    a.free(p, 64, 8);
    (void)a.deinit();
    a.free(p, 64, 8);
  }
  return 0;  // reached only if the free was accepted
}

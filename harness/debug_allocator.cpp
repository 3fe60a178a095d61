// Placeholder: one mapping per allocation, no checks. Replaced by the
// size-class allocator.
#include "harness/debug_allocator.hpp"

#include <sys/mman.h>

#include "harness/fatal.hpp"

namespace zevra_harness {

struct DebugAllocator::Bucket {};
struct DebugAllocator::LargeAlloc {};

DebugAllocator::~DebugAllocator() = default;

void* DebugAllocator::alloc(std::size_t len, std::size_t) {
  void* p = ::mmap(nullptr, len == 0 ? 1 : len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}
void DebugAllocator::free(void* p, std::size_t len, std::size_t) { ::munmap(p, len == 0 ? 1 : len); }
DebugAllocator::Check DebugAllocator::deinit() { return Check::ok; }
void* DebugAllocator::do_allocate(std::size_t bytes, std::size_t alignment) {
  void* p = alloc(bytes, alignment);
  if (p == nullptr) fatal("out of memory");
  return p;
}
void DebugAllocator::do_deallocate(void* p, std::size_t bytes, std::size_t alignment) {
  free(p, bytes, alignment);
}

namespace {
constinit DebugAllocator instance;
}
DebugAllocator& allocatorInstance() { return instance; }
void installFreshAllocator() { (void)instance.deinit(); }

}  // namespace zevra_harness

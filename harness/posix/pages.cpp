#include "harness/portable/platform/pages.hpp"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>

namespace zevra_harness::detail::os_pages {
namespace {
constinit std::atomic<std::uint64_t> map_calls{0};
constinit std::atomic<std::uint64_t> unmap_calls{0};
}  // namespace

void* map(std::size_t len) {
  map_calls.fetch_add(1, std::memory_order_relaxed);
  void* p = ::mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void* mapAligned(std::size_t len, std::size_t alignment) {
  // Over-map by the alignment, then give back the head and tail around the
  // aligned part.
  std::size_t slack = alignment - page_size;
  if (len > SIZE_MAX - slack) return nullptr;
  auto* raw = static_cast<std::byte*>(map(len + slack));
  if (raw == nullptr) return nullptr;
  auto addr = reinterpret_cast<std::uintptr_t>(raw);
  std::size_t head = ((addr + alignment - 1) & ~(alignment - 1)) - addr;
  if (head != 0) unmap(raw, head);
  if (slack - head != 0) unmap(raw + head + len, slack - head);
  return raw + head;
}

void unmap(void* p, std::size_t len) {
  unmap_calls.fetch_add(1, std::memory_order_relaxed);
  ::munmap(p, len);
}

Calls calls() {
  return {map_calls.load(std::memory_order_relaxed), unmap_calls.load(std::memory_order_relaxed)};
}

}  // namespace zevra_harness::detail::os_pages

#include "harness/portable/platform/pages.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zevra_harness::detail::os_pages {
namespace {
// One thread: plain counters.
constinit std::uint64_t map_calls = 0;
constinit std::uint64_t unmap_calls = 0;
}  // namespace

// Zeroed like fresh pages, which the allocator's tables rely on.
void* mapAligned(std::size_t len, std::size_t alignment) {
  ++map_calls;
  void* p = std::aligned_alloc(alignment, len);
  if (p != nullptr) std::memset(p, 0, len);
  return p;
}

void* map(std::size_t len) { return mapAligned(len, page_size); }

// A block goes back whole: the allocator gives back what it took, in one piece.
void unmap(void* p, std::size_t) {
  ++unmap_calls;
  std::free(p);
}

Calls calls() { return {map_calls, unmap_calls}; }

}  // namespace zevra_harness::detail::os_pages

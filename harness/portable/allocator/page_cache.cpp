#include "harness/portable/allocator/page_cache.hpp"

#include <algorithm>
#include <bit>

#include "harness/portable/platform/mutex.hpp"
#include "harness/portable/platform/pages.hpp"

namespace zevra_harness::detail::page_cache {
namespace {

constexpr int min_log2 = std::countr_zero(os_pages::page_size);
constexpr int max_log2 = std::countr_zero(max_kept_block);

// A kept block holds the link to the next one of its size in its first bytes.
struct Kept {
  Kept* next;
};

// Blocks are taken and given back when an allocator grows or ends, never per
// allocation: one lock for the whole process is enough.
constinit Mutex mutex;
constinit Kept* kept[max_log2 - min_log2 + 1] = {};
constinit std::size_t kept_bytes = 0;

}  // namespace

void* take(std::size_t bytes) {
  const int k = std::countr_zero(bytes);
  if (k <= max_log2) {
    LockGuard<Mutex> lock(mutex);
    if (Kept* block = kept[k - min_log2]) {
      kept[k - min_log2] = block->next;
      kept_bytes -= bytes;
      return block;
    }
  }
  const std::size_t alignment = std::min(bytes, max_alignment);
  return alignment <= os_pages::page_size ? os_pages::map(bytes)
                                          : os_pages::mapAligned(bytes, alignment);
}

void give(void* block, std::size_t bytes) {
  const int k = std::countr_zero(bytes);
  if (k <= max_log2) {
    LockGuard<Mutex> lock(mutex);
    if (kept_bytes + bytes <= max_kept_bytes) {
      auto* b = static_cast<Kept*>(block);
      b->next = kept[k - min_log2];
      kept[k - min_log2] = b;
      kept_bytes += bytes;
      return;
    }
  }
  os_pages::unmap(block, bytes);
}

}  // namespace zevra_harness::detail::page_cache

#pragma once
// Pages for the checking allocator, its only source of memory. On Linux
// (harness/posix/pages.cpp) anonymous mappings straight from the operating
// system, never the heap; where there are none (WASI, harness/wasi/pages.cpp)
// blocks of the C library's heap in their place. Every call is counted, so
// that benchmarks and tests can see when the allocator goes to the system.

#include <cstddef>
#include <cstdint>

namespace zevra_harness::detail::os_pages {

// x86-64 Linux pages; the unit of the heap blocks elsewhere.
inline constexpr std::size_t page_size = 4096;

constexpr std::size_t roundUp(std::size_t n) { return (n + page_size - 1) & ~(page_size - 1); }

// `len` bytes of fresh zeroed pages (len a multiple of page_size), or nullptr
// when the system has none left.
void* map(std::size_t len);

// Like `map`, at an address that is a multiple of `alignment` (a power of two
// larger than page_size).
void* mapAligned(std::size_t len, std::size_t alignment);

void unmap(void* p, std::size_t len);

// The calls made so far by this process (mmap and munmap, each counted once
// per system call).
struct Calls {
  std::uint64_t maps;
  std::uint64_t unmaps;
};
Calls calls();

}  // namespace zevra_harness::detail::os_pages

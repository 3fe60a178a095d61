#pragma once
// Anonymous pages straight from the operating system: the checking allocator's
// only source of memory (it never uses the heap). Every call is counted, so
// that benchmarks and tests can see when the allocator goes to the system.

#include <cstddef>
#include <cstdint>

namespace zevra_harness::detail::os_pages {

// x86-64 Linux pages.
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

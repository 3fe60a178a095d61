#pragma once
// Blocks of pages kept across the checking allocator's instances. The runner
// installs a fresh allocator before every test and every metadata request;
// mapping, faulting in and unmapping the same few pages each time would cost
// more than most tests. A block given back is kept, up to a bound for the
// whole process, for the next request of its size: taking it again costs no
// system call and no page fault.

#include <cstddef>

namespace zevra_harness::detail::page_cache {

// Blocks are powers of two from one page on; up to `max_kept_block` bytes they
// are kept when given back, and at most `max_kept_bytes` in all.
inline constexpr std::size_t max_kept_block = std::size_t{1} << 20;
inline constexpr std::size_t max_kept_bytes = std::size_t{4} << 20;
// Every block is aligned to its size or to this, whichever is smaller.
inline constexpr std::size_t max_alignment = std::size_t{64} << 10;

// A block of `bytes` (a power of two, at least a page). Its content is
// undefined: a kept block holds what its last user left. nullptr when the
// system has no memory left.
void* take(std::size_t bytes);

// Returns a block from `take`, to be kept or unmapped.
void give(void* block, std::size_t bytes);

}  // namespace zevra_harness::detail::page_cache

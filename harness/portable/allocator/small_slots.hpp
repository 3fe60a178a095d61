#pragma once
// The checking allocator's small allocations: slots of 16 bytes to one page
// from 64 KiB chunks, each holding a header, one record per slot and the
// slots. A freed slot waits in its size class's quarantine, oldest first,
// and is handed out again only once a bounded number of later frees stand
// behind it: until then its record keeps the allocation and free traces, so
// a second free is reported with both. Chunks stay until the allocator
// ends, and then go to the page cache for the next instance, so a test in
// its steady state makes no system call. Not thread-safe: the allocator
// calls it under its lock.

#include <cstddef>
#include <cstdint>

#include "harness/portable/allocator/address_table.hpp"
#include "harness/portable/allocator/allocator_reports.hpp"
#include "harness/portable/allocator/trace_store.hpp"
#include "harness/portable/platform/pages.hpp"

namespace zevra_harness::detail {

class SmallSlots {
 public:
  static constexpr std::size_t min_slot_log2 = 4;  // 16-byte slots
  // One-page slots; larger requests, or alignments beyond a page, map their own.
  static constexpr std::size_t max_slot_bytes = os_pages::page_size;

  constexpr SmallSlots() = default;
  SmallSlots(const SmallSlots&) = delete;
  SmallSlots& operator=(const SmallSlots&) = delete;

  // A slot of at least `need` bytes (at most max_slot_bytes), aligned to its
  // size, recording `len`, `alignment` (a power of two) and `trace`;
  // nullptr when no chunk can be had.
  std::byte* take(std::size_t need, std::size_t len, std::size_t alignment,
                  const CapturedTrace& trace, TraceStore& traces);

  // The free of `addr` when it lies in one of the chunks (false otherwise):
  // checked against the slot's record, into `report`.
  bool free(std::uintptr_t addr, std::size_t len, std::size_t alignment, const CapturedTrace& trace,
            TraceStore& traces, FreeReport& report);

  // Gives every chunk back, a chunk that still holds a live slot to the
  // system, so that leaked memory never serves another test; true if one
  // did (each live slot logged as a leak when `report` is set).
  bool release(bool report, const TraceStore& traces);

  // Bytes of the chunks and of their table.
  std::size_t heldBytes() const;

 private:
  static constexpr std::size_t max_slot_log2 = 12;
  static constexpr std::size_t class_count = max_slot_log2 - min_slot_log2 + 1;
  static_assert(std::size_t{1} << max_slot_log2 == max_slot_bytes);

  struct Record;
  struct Chunk;
  // Freed slots of one size class, oldest first, and its chunks in the order
  // they were added (only the newest may have slots never handed out).
  struct SizeClass {
    Chunk* oldest_chunk = nullptr;
    Chunk* newest_chunk = nullptr;
    Record* oldest_freed = nullptr;
    Record* newest_freed = nullptr;
    std::size_t freed = 0;
  };

  Record* takeSlot(std::size_t size_class);
  Chunk* addChunk(std::size_t size_class);

  SizeClass classes_[class_count];
  std::size_t chunk_count_ = 0;
  AddressTable<Chunk*> chunks_;  // chunk number (address / chunk size) -> chunk
};

}  // namespace zevra_harness::detail

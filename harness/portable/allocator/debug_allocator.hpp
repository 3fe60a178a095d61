#pragma once
// The checking allocator handed to tests: memory comes from mapped pages,
// carved into size-class slots; every allocation and free records a 10-frame
// trace; double frees and size or alignment mismatches are logged as errors
// (scope "gpa"); `deinit` reports each allocation still held.
//
// Slots of 16 bytes to one page come from 64 KiB chunks, each holding a
// header, one record per slot and the slots. A freed slot waits in its size
// class's quarantine, oldest first, and is handed out again only once a
// bounded number of later frees stand behind it: until then its record keeps
// the allocation and free traces, so a second free is reported with both.
// Chunks stay with the allocator until it ends, and then go to the page cache
// for the next instance, so a test in its steady state makes no system call.
// Anything larger, or aligned beyond a page, gets a mapping of its own, which
// its free unmaps at once; the traces of the last `large_quarantine` such
// frees are kept, so that a second free of one is still reported with both.

#include <cstddef>
#include <cstdint>
#include <memory_resource>

#include "harness/portable/allocator/address_table.hpp"
#include "harness/portable/allocator/trace_store.hpp"
#include "harness/portable/platform/mutex.hpp"
#include "zevra_harness/test_allocator.hpp"

namespace zevra_harness::detail {

class DebugAllocator final : public TestAllocator {
 public:
  enum class Check : std::uint8_t { ok = 0, leak = 1 };

  constexpr DebugAllocator() = default;
  ~DebugAllocator() override;
  DebugAllocator(const DebugAllocator&) = delete;
  DebugAllocator& operator=(const DebugAllocator&) = delete;

  // See TestAllocator. `free` of memory this allocator never handed out ends
  // in the fatal stop "Invalid free"; a free whose size or alignment differs
  // from the allocation's is logged and still frees the allocation.
  [[nodiscard]] std::expected<std::byte*, Error> alloc(
      std::size_t len, std::size_t alignment,
      std::source_location loc = std::source_location::current()) override;
  void free(void* p, std::size_t len, std::size_t alignment) override;

  // Logs "memory address 0x{x} leaked: {trace}" for every live allocation,
  // gives all memory back and leaves the allocator fresh. Chunks that held a
  // leak are unmapped, so that leaked memory never serves another test.
  Check deinit();
  // Gives back whatever is held without reporting it: a fresh instance.
  void reset() { (void)releaseAll(false); }

  // Bytes of memory held for small slots and for the bookkeeping of all
  // allocations (chunks, tables, traces); large allocations' own mappings
  // are not counted.
  std::size_t heldBytes();

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  static constexpr std::size_t class_count = 9;  // slots of 16 << c bytes

  struct Record;
  struct Chunk;
  struct LargeAlloc {
    TraceStore::Id alloc_trace;
    std::size_t len;
    std::size_t map_len;
    std::uint8_t align_log2;
  };
  // A freed large allocation. Kept in a ring of fixed size rather than in
  // the table of live ones, so that what the allocator holds does not depend
  // on where the system maps the next allocation.
  struct FreedLarge {
    std::uintptr_t addr;
    TraceStore::Id alloc_trace;
    TraceStore::Id free_trace;
  };
  static constexpr std::size_t large_quarantine = 64;
  struct FreeReport;
  // Freed slots of one size class, oldest first, and its chunks in the order
  // they were added (only the newest may have slots never handed out).
  struct SizeClass {
    Chunk* oldest_chunk = nullptr;
    Chunk* newest_chunk = nullptr;
    Record* oldest_freed = nullptr;
    Record* newest_freed = nullptr;
    std::size_t freed = 0;
  };

  std::expected<std::byte*, Error> allocate(std::size_t len, std::size_t alignment,
                                            const CapturedTrace& trace);
  std::expected<std::byte*, Error> allocateLarge(std::size_t len, std::size_t alignment,
                                                 const CapturedTrace& trace);
  Record* takeSlot(std::size_t size_class);
  Chunk* addChunk(std::size_t size_class);
  void deallocate(void* p, std::size_t len, std::size_t alignment, const CapturedTrace& trace);
  void quarantineLarge(std::uintptr_t addr, TraceStore::Id alloc_trace, const CapturedTrace& trace);
  const FreedLarge* freedLarge(std::uintptr_t addr) const;
  // Logs what was asked when an allocation fails.
  static void logFailure(Error e, std::size_t len, std::size_t alignment,
                         const CapturedTrace& trace);
  // Gives every page back; true if an allocation was still live (each one
  // reported when `report` is set).
  bool releaseAll(bool report);

  Mutex mutex_;
  SizeClass classes_[class_count];
  std::size_t chunk_count_ = 0;
  AddressTable<Chunk*> chunks_;        // chunk number (address / chunk size) -> chunk
  AddressTable<LargeAlloc, 8> large_;  // address -> record of a live large allocation
  FreedLarge freed_large_[large_quarantine] = {};
  std::size_t large_frees_ = 0;  // the newest is freed_large_[(large_frees_ - 1) % size]
  TraceStore traces_;
};

}  // namespace zevra_harness::detail

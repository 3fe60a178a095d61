#pragma once
// The checking allocator handed to tests: memory comes straight from mapped
// pages, carved into size-class slots; every allocation and free records a
// 10-frame trace; double frees and size or alignment mismatches are logged
// as errors (scope "gpa"); `deinit` reports each allocation still held.
//
// Slots of 16 bytes to one page come from buckets: one mapping each, holding
// a header, one record per slot and the slots themselves. Slots are handed out
// in order and never reused, so a second free of a slot still finds its
// record; a bucket whose slots have all been handed out and freed goes back to
// the system. Anything larger, or aligned beyond a page, gets its own mapping.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <mutex>

#include "harness/allocator/address_table.hpp"

namespace zevra_harness {

class DebugAllocator final : public std::pmr::memory_resource {
 public:
  enum class Check : std::uint8_t { ok = 0, leak = 1 };

  constexpr DebugAllocator() = default;
  ~DebugAllocator() override;
  DebugAllocator(const DebugAllocator&) = delete;
  DebugAllocator& operator=(const DebugAllocator&) = delete;

  // nullptr when the system has no memory left or `alignment` is not a power
  // of two (0 counts as 1). A zero-length request gets a slot of its own.
  void* alloc(std::size_t len, std::size_t alignment);
  // Memory this allocator never handed out ends in the fatal stop "Invalid
  // free"; nullptr is ignored. A free whose size or alignment differs from the
  // allocation's is logged and still frees the allocation.
  void free(void* p, std::size_t len, std::size_t alignment);

  // Logs "memory address 0x{x} leaked: {trace}" for every live allocation,
  // returns all pages to the system and leaves the allocator fresh.
  Check deinit();
  // Releases whatever is held without reporting it: a fresh instance.
  void reset() { (void)releaseAll(false); }

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  static constexpr std::size_t class_count = 9;  // slots of 16 << c bytes

  struct Trace;
  struct Slot;
  struct Bucket;
  struct LargeAlloc;
  struct FreeReport;
  void* allocate(std::size_t len, std::size_t alignment, const Trace& trace);
  void* allocateLarge(std::size_t len, std::size_t alignment, const Trace& trace);
  void deallocate(void* p, std::size_t len, std::size_t alignment, const Trace& trace);
  Bucket* addBucket(std::size_t size_class);
  void detach(Bucket& b);
  // Returns every page; true if an allocation was still live (each one
  // reported when `report` is set).
  bool releaseAll(bool report);

  std::mutex mutex_;
  Bucket* oldest_[class_count] = {};  // per size class, linked oldest to newest;
  Bucket* newest_[class_count] = {};  // only the newest may have unused slots
  AddressTable<Bucket*> slot_pages_;  // page number of each slot page -> its bucket
  AddressTable<LargeAlloc> large_;    // address -> record, kept after the free
};

}  // namespace zevra_harness

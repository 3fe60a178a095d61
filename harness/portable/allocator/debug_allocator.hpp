#pragma once
// The checking allocator handed to tests: memory comes from the platform's
// pages, carved into size-class slots (small_slots.hpp) or mapped one by one
// (large_mappings.hpp); every allocation and free records a 10-frame trace,
// each distinct one stored once (trace_store.hpp); double frees and size or
// alignment mismatches are logged as errors (scope "gpa",
// allocator_reports.hpp); `deinit` reports each allocation still held.

#include <cstddef>
#include <cstdint>
#include <memory_resource>

#include "harness/portable/allocator/large_mappings.hpp"
#include "harness/portable/allocator/small_slots.hpp"
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

  std::expected<std::byte*, Error> allocate(std::size_t len, std::size_t alignment,
                                            const CapturedTrace& trace);
  std::expected<std::byte*, Error> allocateLarge(std::size_t len, std::size_t alignment,
                                                 const CapturedTrace& trace);
  void deallocate(void* p, std::size_t len, std::size_t alignment, const CapturedTrace& trace);
  // Gives every page back; true if an allocation was still live (each one
  // reported when `report` is set).
  bool releaseAll(bool report);

  Mutex mutex_;
  SmallSlots small_;
  LargeMappings large_;
  TraceStore traces_;
};

}  // namespace zevra_harness::detail

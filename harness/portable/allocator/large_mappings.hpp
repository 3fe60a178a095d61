#pragma once
// The checking allocator's large allocations: anything beyond a page, or
// aligned beyond one, gets a mapping of its own, which its free unmaps at
// once. The traces of the last `quarantine` such frees are kept in a ring,
// so that a second free of one is still reported with both; kept apart from
// the table of live ones, so that what the allocator holds does not depend
// on where the system maps the next allocation. Not thread-safe: the
// allocator calls it under its lock, except `map`.

#include <cstddef>
#include <cstdint>

#include "harness/portable/allocator/address_table.hpp"
#include "harness/portable/allocator/allocator_reports.hpp"
#include "harness/portable/allocator/trace_store.hpp"

namespace zevra_harness::detail {

class LargeMappings {
 public:
  static constexpr std::size_t quarantine = 64;

  constexpr LargeMappings() = default;
  LargeMappings(const LargeMappings&) = delete;
  LargeMappings& operator=(const LargeMappings&) = delete;

  // A fresh mapping for `len` bytes at `alignment` (a power of two), and its
  // length; nullptr when the system has none. Needs no lock.
  static void* map(std::size_t len, std::size_t alignment, std::size_t& map_len);

  // Records the mapping `p` from `map` as live; false when the table cannot
  // grow (the caller then unmaps it).
  bool record(void* p, std::size_t len, std::size_t map_len, std::size_t alignment,
              const CapturedTrace& trace, TraceStore& traces);

  // The free of `addr` when it is a live or a recently freed mapping (false
  // otherwise), into `report`; a live one leaves the table for the ring, and
  // `unmap_len` says how much to unmap once the lock is released.
  bool free(std::uintptr_t addr, std::size_t len, std::size_t alignment, const CapturedTrace& trace,
            TraceStore& traces, FreeReport& report, std::size_t& unmap_len);

  // Unmaps every live mapping and forgets the ring; true if there was one
  // (each logged as a leak when `report` is set).
  bool release(bool report, const TraceStore& traces);

  // Bytes of the table of live mappings (not the mappings themselves).
  std::size_t heldBytes() const { return live_.blockBytes(); }

 private:
  struct Live {
    TraceStore::Id alloc_trace;
    std::size_t len;
    std::size_t map_len;
    std::uint8_t align_log2;
  };
  struct Freed {
    std::uintptr_t addr;
    TraceStore::Id alloc_trace;
    TraceStore::Id free_trace;
  };

  void keepFreed(std::uintptr_t addr, TraceStore::Id alloc_trace, const CapturedTrace& trace,
                 TraceStore& traces);
  const Freed* freed(std::uintptr_t addr) const;

  AddressTable<Live, 8> live_;  // address -> record of a live mapping
  Freed freed_[quarantine] = {};
  std::size_t frees_ = 0;  // the newest is freed_[(frees_ - 1) % quarantine]
};

}  // namespace zevra_harness::detail

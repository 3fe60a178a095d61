#pragma once
// The stack traces of one checking allocator, each distinct trace stored
// once. An allocation's record holds the ids of its allocation and free
// traces; most allocations of a test come from a few places, so a live block
// costs a few bytes of trace instead of two copies of ten frames. Each trace
// counts the records that name it and is dropped with the last of them.

#include <cstddef>
#include <cstdint>

#include "harness/portable/allocator/address_table.hpp"
#include "harness/portable/platform/stack_trace.hpp"

namespace zevra_harness::detail {

// A trace as captured, before it is stored.
struct CapturedTrace {
  static constexpr std::size_t max_frames = 10;
  std::uintptr_t frames[max_frames];
  std::uint32_t count = 0;

  // Records the caller of the function this is inlined into (always inlined,
  // so that the walk skips exactly that function's frame). Runs outside the
  // allocator's lock.
  [[gnu::always_inline]] void captureCaller() {
    count = static_cast<std::uint32_t>(captureStackTrace(frames, 1));
  }
  TraceView view() const { return {{frames, count}}; }
};

class TraceStore {
 public:
  using Id = std::uint32_t;
  static constexpr Id none = 0;  // no trace: the store could not grow

  constexpr TraceStore() = default;
  TraceStore(const TraceStore&) = delete;  // it points into itself
  TraceStore& operator=(const TraceStore&) = delete;

  // A record that named `old` (none: no trace) now names `trace`: `old`
  // itself when it is the same trace (the common case of a slot reused by
  // the place that used it before, checked without hashing), else the id
  // of `trace` with one more reference, and one reference of `old` dropped.
  // none when `trace` is new and the store cannot grow.
  Id replace(Id old, const CapturedTrace& trace);
  // Drops one reference of `id` (none: nothing); the trace goes with the last.
  void drop(Id id);
  // Valid until the next replace.
  TraceView view(Id id) const;
  void copy(Id id, CapturedTrace& out) const;

  // Gives the storage back; every id is forgotten.
  void release();
  // Bytes of storage held, the index included.
  std::size_t heldBytes() const { return block_bytes_ + index_.blockBytes(); }

 private:
  struct Entry {
    std::uintptr_t frames[CapturedTrace::max_frames];
    std::uint32_t refs;   // 0: on the free list
    std::uint32_t count;  // frames in use; on the free list, the next free id
  };
  Id add(const CapturedTrace& trace);
  bool grow();

  // The first few traces live in the store itself (no page to touch for an
  // allocator that records a few); more move to blocks of the page cache.
  static constexpr std::uint32_t inline_capacity = 8;
  Entry inline_[inline_capacity] = {};
  Entry* entries_ = inline_;  // entry 0 is never used (none)
  std::uint32_t capacity_ = inline_capacity;
  std::uint32_t used_ = 1;       // entries [1, used_) have been handed out at least once
  Id free_ = none;               // entries dropped, to be handed out again
  std::size_t block_bytes_ = 0;  // of the block in use; 0 while inline
  AddressTable<Id> index_;       // hash -> id of the trace stored under it
};

}  // namespace zevra_harness::detail

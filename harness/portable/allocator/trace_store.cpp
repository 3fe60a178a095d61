#include "harness/portable/allocator/trace_store.hpp"

#include <algorithm>
#include <cstring>

#include "harness/portable/allocator/page_cache.hpp"

namespace zevra_harness::detail {

namespace {

// An address-sized key of the index, never 0 (which marks an empty entry).
std::uintptr_t hashOf(const std::uintptr_t* frames, std::uint32_t count) {
  // Each frame times a multiplier of its own, summed: the products do not
  // wait on each other (a chained mix costs three times as much per trace).
  // Equal hashes are only a hint; add compares the frames.
  static constexpr std::uint64_t multipliers[CapturedTrace::max_frames] = {
      0x9E3779B97F4A7C15u, 0xC2B2AE3D27D4EB4Fu, 0x165667B19E3779F9u, 0xD6E8FEB86659FD93u,
      0xFF51AFD7ED558CCDu, 0xC4CEB9FE1A85EC53u, 0x94D049BB133111EBu, 0xBF58476D1CE4E5B9u,
      0x2545F4914F6CDD1Du, 0x9FB21C651E98DF25u};
  std::uint64_t h = count;
  for (std::uint32_t i = 0; i < count; ++i) h += frames[i] * multipliers[i];
  h ^= h >> 31;
  if constexpr (sizeof(std::uintptr_t) < sizeof h) h ^= h >> 32;  // wasm32: 32-bit keys
  const auto key = static_cast<std::uintptr_t>(h);
  return key != 0 ? key : 1;
}

// Word by word: a captured trace was just written a word at a time, and
// wider loads of it would wait for those stores to retire.
bool sameFrames(const std::uintptr_t* a, const std::uintptr_t* b, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

TraceStore::Id TraceStore::replace(Id old, const CapturedTrace& trace) {
  if (old != none && entries_[old].count == trace.count &&
      sameFrames(entries_[old].frames, trace.frames, trace.count))
    return old;
  const Id id = add(trace);  // before the drop, which could free the entry it finds
  drop(old);
  return id;
}

TraceStore::Id TraceStore::add(const CapturedTrace& trace) {
  const std::uintptr_t hash = hashOf(trace.frames, trace.count);
  Id* indexed = index_.find(hash);
  if (indexed != nullptr) {
    Entry& e = entries_[*indexed];
    if (e.count == trace.count && sameFrames(e.frames, trace.frames, trace.count)) {
      ++e.refs;
      return *indexed;
    }
    // Two traces with one hash: the newer is stored without an index entry.
  }
  Id id = free_;
  if (id != none) {
    free_ = entries_[id].count;
  } else {
    if (used_ >= capacity_ && !grow()) return none;
    id = used_++;
  }
  Entry& e = entries_[id];
  std::memcpy(e.frames, trace.frames, trace.count * sizeof(std::uintptr_t));
  e.count = trace.count;
  e.refs = 1;
  if (indexed == nullptr) {
    // Without room in the index the trace is still stored, only not shared.
    if (Id* slot = index_.insert(hash)) *slot = id;
  }
  return id;
}

void TraceStore::drop(Id id) {
  if (id == none) return;
  Entry& e = entries_[id];
  if (--e.refs != 0) return;
  const std::uintptr_t hash = hashOf(e.frames, e.count);
  if (Id* indexed = index_.find(hash); indexed != nullptr && *indexed == id) index_.erase(hash);
  e.count = free_;
  free_ = id;
}

TraceView TraceStore::view(Id id) const {
  if (id == none) return {};
  return {{entries_[id].frames, entries_[id].count}};
}

void TraceStore::copy(Id id, CapturedTrace& out) const {
  out.count = id == none ? 0 : entries_[id].count;
  if (out.count != 0)
    std::memcpy(out.frames, entries_[id].frames, out.count * sizeof(std::uintptr_t));
}

void TraceStore::release() {
  if (block_bytes_ != 0) page_cache::give(entries_, block_bytes_);
  index_.release();
  entries_ = inline_;
  capacity_ = inline_capacity;
  used_ = 1;
  free_ = none;
  block_bytes_ = 0;
}

bool TraceStore::grow() {
  const std::size_t bytes = block_bytes_ != 0 ? block_bytes_ * 2 : 4 * os_pages::page_size;
  const std::size_t capacity = std::min<std::size_t>(bytes / sizeof(Entry), UINT32_MAX);
  if (capacity <= capacity_) return false;
  auto* fresh = static_cast<Entry*>(page_cache::take(bytes));
  if (fresh == nullptr) return false;
  std::memcpy(static_cast<void*>(fresh), entries_, used_ * sizeof(Entry));
  if (block_bytes_ != 0) page_cache::give(entries_, block_bytes_);
  entries_ = fresh;
  capacity_ = static_cast<std::uint32_t>(capacity);
  block_bytes_ = bytes;
  return true;
}

}  // namespace zevra_harness::detail

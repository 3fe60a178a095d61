#pragma once
// A hash map from a non-zero address-sized key to a value (the checking
// allocator's lookup of its chunks, its large allocations and its traces).
// The first entries live in the table itself, so that an allocator that
// makes a few allocations touches no page for its tables; more move to
// blocks of the page cache. Open addressing with linear probing; at most
// half full.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "harness/portable/allocator/page_cache.hpp"
#include "harness/portable/platform/pages.hpp"

namespace zevra_harness::detail {

template <typename Value, std::size_t inline_entries = 16>
class AddressTable {
  static_assert(std::has_single_bit(inline_entries));

 public:
  constexpr AddressTable() = default;
  AddressTable(const AddressTable&) = delete;  // it points into itself
  AddressTable& operator=(const AddressTable&) = delete;

  bool empty() const { return count_ == 0; }
  std::size_t blockBytes() const { return block_bytes_; }

  // Points into the table until the next insert or erase.
  Value* find(std::uintptr_t key) {
    if (count_ == 0) return nullptr;
    std::size_t i = indexOf(key);
    return entries_[i].key == key ? &entries_[i].value : nullptr;
  }

  // The value stored under `key`, added value-initialised if absent; nullptr
  // when the table cannot grow.
  Value* insert(std::uintptr_t key) {
    if ((count_ + 1) * 2 > capacity_ && !grow()) return nullptr;
    std::size_t i = indexOf(key);
    if (entries_[i].key != key) {
      entries_[i] = {key, Value{}};
      ++count_;
    }
    return &entries_[i].value;
  }

  void erase(std::uintptr_t key) {
    if (count_ == 0) return;
    std::size_t hole = indexOf(key);
    if (entries_[hole].key != key) return;
    // Backward shift: move each later member of the probe run whose home is
    // not between the hole and itself into the hole, so lookups never stop
    // early at it.
    for (std::size_t j = next(hole); entries_[j].key != 0; j = next(j)) {
      std::size_t home = homeOf(entries_[j].key);
      if (((j - home) & mask()) >= ((j - hole) & mask())) {
        entries_[hole] = entries_[j];
        hole = j;
      }
    }
    entries_[hole].key = 0;
    --count_;
  }

  template <typename F>
  void forEach(F&& f) {
    for (std::size_t i = 0; i < capacity_; ++i)
      if (entries_[i].key != 0) f(entries_[i].key, entries_[i].value);
  }

  // Gives the storage back; the table is empty again.
  void release() {
    if (block_bytes_ != 0)
      page_cache::give(entries_, block_bytes_);
    else if (count_ != 0)
      clearInline();
    entries_ = inline_;
    capacity_ = inline_entries;
    count_ = block_bytes_ = 0;
    shift_ = inline_shift;
  }

 private:
  struct Entry {
    std::uintptr_t key;  // 0: empty
    Value value;
  };

  std::size_t mask() const { return capacity_ - 1; }
  std::size_t next(std::size_t i) const { return (i + 1) & mask(); }
  // Fibonacci hashing spreads consecutive numbers over the table.
  std::size_t homeOf(std::uintptr_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> shift_);
  }
  // The entry holding `key`, or the empty entry where it would go.
  std::size_t indexOf(std::uintptr_t key) const {
    std::size_t i = homeOf(key);
    while (entries_[i].key != key && entries_[i].key != 0) i = next(i);
    return i;
  }

  static constexpr int inline_shift = 64 - std::countr_zero(inline_entries);

  void clearInline() { std::memset(static_cast<void*>(inline_), 0, sizeof inline_); }

  bool grow() {
    std::size_t bytes = block_bytes_ != 0 ? block_bytes_ * 2 : os_pages::page_size;
    auto* fresh = static_cast<Entry*>(page_cache::take(bytes));
    if (fresh == nullptr) return false;
    std::size_t capacity = std::bit_floor(bytes / sizeof(Entry));
    std::memset(static_cast<void*>(fresh), 0, capacity * sizeof(Entry));  // every entry empty
    Entry* old = entries_;
    std::size_t old_capacity = capacity_, old_bytes = block_bytes_;
    entries_ = fresh;
    capacity_ = capacity;
    block_bytes_ = bytes;
    shift_ = 64 - std::countr_zero(capacity);
    for (std::size_t i = 0; i < old_capacity; ++i)
      if (old[i].key != 0) entries_[indexOf(old[i].key)] = old[i];
    if (old_bytes != 0)
      page_cache::give(old, old_bytes);
    else
      clearInline();  // empty again for when the table goes back to it
    return true;
  }

  Entry inline_[inline_entries] = {};
  Entry* entries_ = inline_;
  std::size_t capacity_ = inline_entries;  // a power of two
  std::size_t count_ = 0;
  std::size_t block_bytes_ = 0;  // of the block in use; 0 while inline
  int shift_ = inline_shift;
};

}  // namespace zevra_harness::detail

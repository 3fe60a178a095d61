#pragma once
// A hash map from a non-zero address-sized key to a value, kept in mapped
// pages (the checking allocator's lookup of its buckets and large
// allocations). Open addressing with linear probing; at most half full.

#include <bit>
#include <cstddef>
#include <cstdint>

#include "harness/allocator/pages.hpp"

namespace zevra_harness {

template <typename Value>
class AddressTable {
 public:
  constexpr AddressTable() = default;

  bool empty() const { return count_ == 0; }

  // Points into the table until the next insert or erase.
  Value* find(std::uintptr_t key) {
    if (count_ == 0) return nullptr;
    std::size_t i = indexOf(key);
    return entries_[i].key == key ? &entries_[i].value : nullptr;
  }

  // The value stored under `key`, added if absent (the caller then sets all
  // of it); nullptr when the table cannot grow.
  Value* insert(std::uintptr_t key) {
    if ((count_ + 1) * 2 > capacity_ && !grow()) return nullptr;
    std::size_t i = indexOf(key);
    if (entries_[i].key != key) {
      entries_[i].key = key;
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

  // Gives the pages back; the table is empty again.
  void release() {
    if (entries_ != nullptr) os_pages::unmap(entries_, bytesFor(capacity_));
    entries_ = nullptr;
    capacity_ = count_ = 0;
    shift_ = 64;
  }

 private:
  struct Entry {
    std::uintptr_t key;  // 0: empty
    Value value;
  };

  static std::size_t bytesFor(std::size_t capacity) {
    return os_pages::roundUp(capacity * sizeof(Entry));
  }
  std::size_t mask() const { return capacity_ - 1; }
  std::size_t next(std::size_t i) const { return (i + 1) & mask(); }
  // Fibonacci hashing spreads consecutive page numbers over the table.
  std::size_t homeOf(std::uintptr_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> shift_);
  }
  // The entry holding `key`, or the empty entry where it would go.
  std::size_t indexOf(std::uintptr_t key) const {
    std::size_t i = homeOf(key);
    while (entries_[i].key != key && entries_[i].key != 0) i = next(i);
    return i;
  }

  bool grow() {
    std::size_t capacity =
        capacity_ != 0 ? capacity_ * 2 : std::bit_floor(os_pages::page_size / sizeof(Entry) | 2);
    auto* fresh = static_cast<Entry*>(os_pages::map(bytesFor(capacity)));
    if (fresh == nullptr) return false;
    Entry* old = entries_;
    std::size_t old_capacity = capacity_;
    entries_ = fresh;  // mapped pages are zero: every entry empty
    capacity_ = capacity;
    shift_ = 64 - std::countr_zero(capacity);
    for (std::size_t i = 0; i < old_capacity; ++i)
      if (old[i].key != 0) entries_[indexOf(old[i].key)] = old[i];
    if (old != nullptr) os_pages::unmap(old, bytesFor(old_capacity));
    return true;
  }

  Entry* entries_ = nullptr;
  std::size_t capacity_ = 0;  // a power of two, or 0 before the first insert
  std::size_t count_ = 0;
  int shift_ = 64;
};

}  // namespace zevra_harness

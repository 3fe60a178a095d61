#pragma once
// The events of one frame. The list owns its items but keeps no allocator:
// whoever grows or frees it passes the allocator in, and must pass the same
// one every time. It never frees itself; `free` is the owner's last call.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <span>

#include "zevra/expected.hpp"
#include "zevra_input/input_event.hpp"

namespace zevra_input {

enum class EventListError : std::uint8_t {
  full,           // the limit is reached; the event was dropped
  out_of_memory,  // the allocator had no memory; the event was dropped
};

class EventList {
 public:
  constexpr EventList() = default;
  // Moving hands the items over and leaves the source empty; copies would
  // share the items and free them twice, so there are none.
  constexpr EventList(EventList&& other) noexcept
      : items_(other.items_), count_(other.count_), capacity_(other.capacity_) {
    other.items_ = nullptr;
    other.count_ = other.capacity_ = 0;
  }
  EventList(const EventList&) = delete;
  EventList& operator=(const EventList&) = delete;
  EventList& operator=(EventList&&) = delete;

  constexpr std::span<const InputEvent> items() const { return {items_, count_}; }
  constexpr std::size_t size() const { return count_; }
  constexpr std::size_t capacity() const { return capacity_; }
  constexpr bool empty() const { return count_ == 0; }

  // Appends `ev` unless the list already holds `limit` events. Growth doubles
  // the capacity (starting at 8) but never beyond `limit`.
  std::expected<void, EventListError> append(std::pmr::memory_resource& alloc, InputEvent ev,
                                             std::size_t limit);

  // Forgets the events and keeps the memory for the next frame.
  constexpr void clear() { count_ = 0; }

  // Returns the memory to `alloc` and leaves the list empty.
  void free(std::pmr::memory_resource& alloc);

 private:
  InputEvent* items_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace zevra_input

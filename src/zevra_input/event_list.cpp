#include "zevra_input/event_list.hpp"

#include <algorithm>
#include <memory>

namespace zevra_input {

std::expected<void, EventListError> EventList::append(std::pmr::memory_resource& alloc,
                                                      InputEvent ev, std::size_t limit) {
  if (count_ >= limit) return std::unexpected(EventListError::full);
  if (count_ == capacity_) {
    const std::size_t grown = std::min(std::max<std::size_t>(8, capacity_ * 2), limit);
    void* raw = alloc.allocate(grown * sizeof(InputEvent), alignof(InputEvent));
    if (raw == nullptr) return std::unexpected(EventListError::out_of_memory);
    auto* moved = static_cast<InputEvent*>(raw);
    std::uninitialized_copy_n(items_, count_, moved);
    if (items_ != nullptr) {
      alloc.deallocate(items_, capacity_ * sizeof(InputEvent), alignof(InputEvent));
    }
    items_ = moved;
    capacity_ = grown;
  }
  std::construct_at(items_ + count_, ev);
  ++count_;
  return {};
}

void EventList::free(std::pmr::memory_resource& alloc) {
  if (items_ != nullptr) {
    alloc.deallocate(items_, capacity_ * sizeof(InputEvent), alignof(InputEvent));
  }
  items_ = nullptr;
  count_ = capacity_ = 0;
}

}  // namespace zevra_input

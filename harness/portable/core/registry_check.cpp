#include "harness/portable/core/registry_check.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "harness/portable/allocator/page_cache.hpp"
#include "harness/portable/platform/pages.hpp"

namespace zevra_harness::detail {
namespace {

constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
constexpr std::size_t kStackSlots = 256;  // for up to 128 tests

// Eight bytes a step, then a final mix: every runner start hashes every
// name, and equal names are told apart by comparing them, not by the hash.
std::uint64_t hashOf(std::string_view name) {
  constexpr std::uint64_t k = 0x9E3779B97F4A7C15u;
  std::uint64_t h = name.size() * k;
  std::size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    h = std::rotl((h ^ word) * k, 29);
  }
  std::uint64_t tail = 0;
  if (at < name.size()) std::memcpy(&tail, name.data() + at, name.size() - at);
  h = (h ^ tail) * k;
  return h ^ (h >> 32);
}

// Open addressing over indices into the registry, at most half full.
std::optional<std::string_view> firstRepeated(Registry registry, std::span<std::uint32_t> slots) {
  std::memset(slots.data(), 0xFF, slots.size_bytes());
  const std::size_t mask = slots.size() - 1;
  for (std::size_t i = 0; i < registry.size(); ++i) {
    const std::string_view name = registry[i].name;
    for (std::size_t at = hashOf(name) & mask;; at = (at + 1) & mask) {
      if (slots[at] == kEmpty) {
        slots[at] = static_cast<std::uint32_t>(i);
        break;
      }
      if (registry[slots[at]].name == name) return name;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string_view> duplicateName(Registry registry) {
  if (registry.size() <= kStackSlots / 2) {
    std::uint32_t slots[kStackSlots];
    return firstRepeated(registry, slots);
  }
  const std::size_t count = std::bit_ceil(registry.size() * 2);
  const std::size_t bytes = std::max(os_pages::page_size, count * sizeof(std::uint32_t));
  auto* table = static_cast<std::uint32_t*>(page_cache::take(bytes));
  if (table == nullptr) return std::nullopt;
  auto found = firstRepeated(registry, {table, bytes / sizeof(std::uint32_t)});
  page_cache::give(table, bytes);
  return found;
}

}  // namespace zevra_harness::detail

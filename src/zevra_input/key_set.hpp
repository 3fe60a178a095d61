#pragma once
// A set of keys: one bit per key code 0-511, word = code / 64, bit = code % 64.

#include <array>
#include <cstdint>

#include "zevra_input/key.hpp"

namespace zevra_input {

using KeySet = std::array<std::uint64_t, 8>;

inline constexpr unsigned key_set_capacity = 512;

// Codes from 512 up have no bit: setting them does nothing and they always
// test false, rather than writing past the set.
constexpr void setKey(KeySet& set, Key k, bool in) {
  const unsigned code = keyCode(k);
  if (code >= key_set_capacity) return;
  const std::uint64_t bit = std::uint64_t{1} << (code % 64);
  if (in) {
    set[code / 64] |= bit;
  } else {
    set[code / 64] &= ~bit;
  }
}

constexpr bool hasKey(const KeySet& set, Key k) {
  const unsigned code = keyCode(k);
  if (code >= key_set_capacity) return false;
  return (set[code / 64] >> (code % 64) & 1u) != 0;
}

}  // namespace zevra_input

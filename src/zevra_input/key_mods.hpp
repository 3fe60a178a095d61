#pragma once
// The keyboard modifiers held with a key or mouse event: one byte of flags.
// Each flag sits in the bit GLFW uses for it, so a modifier word from the
// window library converts with `fromBits` and back with `toBits`.

#include <cstdint>

namespace zevra_input {

struct KeyMods {
  bool shift : 1 = false;      // bit 0
  bool control : 1 = false;    // bit 1
  bool alt : 1 = false;        // bit 2
  bool super : 1 = false;      // bit 3
  bool caps_lock : 1 = false;  // bit 4
  bool num_lock : 1 = false;   // bit 5

  // Bits 6 and 7 name no modifier and are dropped.
  static constexpr KeyMods fromBits(std::uint8_t bits) {
    return KeyMods{.shift = (bits & 0x01u) != 0,
                   .control = (bits & 0x02u) != 0,
                   .alt = (bits & 0x04u) != 0,
                   .super = (bits & 0x08u) != 0,
                   .caps_lock = (bits & 0x10u) != 0,
                   .num_lock = (bits & 0x20u) != 0};
  }

  constexpr std::uint8_t toBits() const {
    unsigned bits = (shift ? 0x01u : 0u) | (control ? 0x02u : 0u) | (alt ? 0x04u : 0u) |
                    (super ? 0x08u : 0u) | (caps_lock ? 0x10u : 0u) | (num_lock ? 0x20u : 0u);
    return static_cast<std::uint8_t>(bits);
  }

  // The default, 0, is "no modifier held".
  constexpr bool none() const { return toBits() == 0; }

  friend constexpr bool operator==(KeyMods a, KeyMods b) { return a.toBits() == b.toBits(); }
};

static_assert(sizeof(KeyMods) == 1 && alignof(KeyMods) == 1);
static_assert(KeyMods{}.toBits() == 0);

}  // namespace zevra_input

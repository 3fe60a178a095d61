#pragma once
// The keys the application names. The numeric values are the key codes of
// the GLFW window library, so a code reported by that library is a `Key` as
// it stands; letters take their upper-case ASCII codes.

#include <cstdint>

namespace zevra_input {

// Any 16-bit code is representable: keys the application does not name (for
// example GLFW's 'G' = 71 or the keypad keys) are held as `Key{code}` and
// tracked by the key sets like the named ones, so no input is lost on the
// way in. The named members are the ones the application reacts to.
enum class Key : std::uint16_t {
  a = 65,
  b = 66,
  c = 67,
  d = 68,
  e = 69,
  f = 70,
  q = 81,
  r = 82,
  s = 83,
  w = 87,
  x = 88,
  z = 90,
  space = 32,
  escape = 256,
  enter = 257,
  tab = 258,
  left_shift = 340,
  right_shift = 344,
  left_ctrl = 341,
  right_ctrl = 345,
  left_alt = 342,
  right_alt = 346,
  up = 265,
  down = 264,
  left = 263,
  right = 262,
  f1 = 290,
  f2 = 291,
  f3 = 292,
  f4 = 293,
  f5 = 294,
  f12 = 301,
};

constexpr std::uint16_t keyCode(Key k) { return static_cast<std::uint16_t>(k); }

}  // namespace zevra_input

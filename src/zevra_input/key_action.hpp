#pragma once
// What a key reports: released, pressed or held down long enough to repeat.
// The values are GLFW's action codes.

#include <cstdint>

namespace zevra_input {

enum class KeyAction : std::uint8_t {
  release = 0,
  press = 1,
  repeat = 2,
};

}  // namespace zevra_input

#pragma once
// The three mouse buttons the application knows; the values are GLFW's
// button numbers.

#include <cstdint>

namespace zevra_input {

enum class MouseButton : std::uint8_t {
  left = 0,
  right = 1,
  middle = 2,
};

}  // namespace zevra_input

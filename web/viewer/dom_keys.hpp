#pragma once
// The browser's names of physical keys (KeyboardEvent.code) as the engine's
// key codes. Both name a key by where it lies on a US keyboard, whatever the
// layout, so "KeyW" is GLFW's W on every keyboard.

#include <optional>
#include <span>
#include <string_view>

#include "zevra_input/key.hpp"

namespace zevra_web {

struct DomKey {
  std::string_view code;  // KeyboardEvent.code
  zevra_input::Key key;
};

// Every GLFW key that a browser names, plus the older names "OSLeft" and
// "OSRight" of the super keys. GLFW_KEY_WORLD_2 and F25 have no browser name.
std::span<const DomKey> domKeys();

// The key of a KeyboardEvent.code, or nothing for a name GLFW has no key for
// (media keys, "Fn", an empty code).
std::optional<zevra_input::Key> keyFromDomCode(std::string_view code);

}  // namespace zevra_web

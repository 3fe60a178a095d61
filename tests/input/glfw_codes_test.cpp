// Every named key, modifier bit, action and mouse button against the values
// in GLFW's own header, so that a mistyped code cannot survive. Only this
// test sees the header; the engine never includes it.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <cstdint>

#include "cases.hpp"
#include "zevra_input/key.hpp"
#include "zevra_input/key_action.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/key_set.hpp"
#include "zevra_input/mouse_button.hpp"

namespace input_cases {

using zevra_harness::expect;
using zevra_harness::Status;
using zevra_input::Key;

namespace {

struct Named {
  Key key;
  int glfw;
};

constexpr std::array<Named, 32> named_keys{{
    {Key::a, GLFW_KEY_A},
    {Key::b, GLFW_KEY_B},
    {Key::c, GLFW_KEY_C},
    {Key::d, GLFW_KEY_D},
    {Key::e, GLFW_KEY_E},
    {Key::f, GLFW_KEY_F},
    {Key::q, GLFW_KEY_Q},
    {Key::r, GLFW_KEY_R},
    {Key::s, GLFW_KEY_S},
    {Key::w, GLFW_KEY_W},
    {Key::x, GLFW_KEY_X},
    {Key::z, GLFW_KEY_Z},
    {Key::space, GLFW_KEY_SPACE},
    {Key::escape, GLFW_KEY_ESCAPE},
    {Key::enter, GLFW_KEY_ENTER},
    {Key::tab, GLFW_KEY_TAB},
    {Key::left_shift, GLFW_KEY_LEFT_SHIFT},
    {Key::right_shift, GLFW_KEY_RIGHT_SHIFT},
    {Key::left_ctrl, GLFW_KEY_LEFT_CONTROL},
    {Key::right_ctrl, GLFW_KEY_RIGHT_CONTROL},
    {Key::left_alt, GLFW_KEY_LEFT_ALT},
    {Key::right_alt, GLFW_KEY_RIGHT_ALT},
    {Key::up, GLFW_KEY_UP},
    {Key::down, GLFW_KEY_DOWN},
    {Key::left, GLFW_KEY_LEFT},
    {Key::right, GLFW_KEY_RIGHT},
    {Key::f1, GLFW_KEY_F1},
    {Key::f2, GLFW_KEY_F2},
    {Key::f3, GLFW_KEY_F3},
    {Key::f4, GLFW_KEY_F4},
    {Key::f5, GLFW_KEY_F5},
    {Key::f12, GLFW_KEY_F12},
}};

}  // namespace

Status keysMatchGlfw() {
  for (const Named& n : named_keys) {
    ZEVRA_TRY(expect(static_cast<int>(zevra_input::keyCode(n.key)) == n.glfw));
    // The code goes through 16 bits and back without loss.
    ZEVRA_TRY(expect(static_cast<Key>(static_cast<std::uint16_t>(n.glfw)) == n.key));
  }
  // Every key the library can report has a bit in the key sets.
  ZEVRA_TRY(expect(GLFW_KEY_LAST < static_cast<int>(zevra_input::key_set_capacity)));
  return {};
}

Status modsActionsButtonsMatchGlfw() {
  using zevra_input::KeyMods;
  ZEVRA_TRY(expect(KeyMods{.shift = true}.toBits() == GLFW_MOD_SHIFT));
  ZEVRA_TRY(expect(KeyMods{.control = true}.toBits() == GLFW_MOD_CONTROL));
  ZEVRA_TRY(expect(KeyMods{.alt = true}.toBits() == GLFW_MOD_ALT));
  ZEVRA_TRY(expect(KeyMods{.super = true}.toBits() == GLFW_MOD_SUPER));
  ZEVRA_TRY(expect(KeyMods{.caps_lock = true}.toBits() == GLFW_MOD_CAPS_LOCK));
  ZEVRA_TRY(expect(KeyMods{.num_lock = true}.toBits() == GLFW_MOD_NUM_LOCK));

  using zevra_input::KeyAction;
  ZEVRA_TRY(expect(static_cast<int>(KeyAction::release) == GLFW_RELEASE));
  ZEVRA_TRY(expect(static_cast<int>(KeyAction::press) == GLFW_PRESS));
  ZEVRA_TRY(expect(static_cast<int>(KeyAction::repeat) == GLFW_REPEAT));

  using zevra_input::MouseButton;
  ZEVRA_TRY(expect(static_cast<int>(MouseButton::left) == GLFW_MOUSE_BUTTON_LEFT));
  ZEVRA_TRY(expect(static_cast<int>(MouseButton::right) == GLFW_MOUSE_BUTTON_RIGHT));
  ZEVRA_TRY(expect(static_cast<int>(MouseButton::middle) == GLFW_MOUSE_BUTTON_MIDDLE));
  return {};
}

}  // namespace input_cases

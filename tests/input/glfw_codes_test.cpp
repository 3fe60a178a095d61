// Every named key, modifier bit, action and mouse button against the values
// in GLFW's own header, so that a mistyped code cannot survive. Only this
// test sees the header; the engine never includes it.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <cstdint>
#include <span>

#include "cases.hpp"
#include "dom_keys.hpp"
#include "zevra_input/key.hpp"
#include "zevra_input/key_action.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/key_set.hpp"
#include "zevra_input/mouse_button.hpp"

namespace input_cases {

using zevra_harness::expect;
using zevra_harness::Status;
using zevra_input::Key;
namespace keys = zevra_input::keys;

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

// The keys `Key` does not name: every other GLFW_KEY_ but GLFW_KEY_UNKNOWN.
constexpr std::array<Named, 88> other_keys{{
    {keys::apostrophe, GLFW_KEY_APOSTROPHE},
    {keys::comma, GLFW_KEY_COMMA},
    {keys::minus, GLFW_KEY_MINUS},
    {keys::period, GLFW_KEY_PERIOD},
    {keys::slash, GLFW_KEY_SLASH},
    {keys::digit_0, GLFW_KEY_0},
    {keys::digit_1, GLFW_KEY_1},
    {keys::digit_2, GLFW_KEY_2},
    {keys::digit_3, GLFW_KEY_3},
    {keys::digit_4, GLFW_KEY_4},
    {keys::digit_5, GLFW_KEY_5},
    {keys::digit_6, GLFW_KEY_6},
    {keys::digit_7, GLFW_KEY_7},
    {keys::digit_8, GLFW_KEY_8},
    {keys::digit_9, GLFW_KEY_9},
    {keys::semicolon, GLFW_KEY_SEMICOLON},
    {keys::equal, GLFW_KEY_EQUAL},
    {keys::g, GLFW_KEY_G},
    {keys::h, GLFW_KEY_H},
    {keys::i, GLFW_KEY_I},
    {keys::j, GLFW_KEY_J},
    {keys::k, GLFW_KEY_K},
    {keys::l, GLFW_KEY_L},
    {keys::m, GLFW_KEY_M},
    {keys::n, GLFW_KEY_N},
    {keys::o, GLFW_KEY_O},
    {keys::p, GLFW_KEY_P},
    {keys::t, GLFW_KEY_T},
    {keys::u, GLFW_KEY_U},
    {keys::v, GLFW_KEY_V},
    {keys::y, GLFW_KEY_Y},
    {keys::left_bracket, GLFW_KEY_LEFT_BRACKET},
    {keys::backslash, GLFW_KEY_BACKSLASH},
    {keys::right_bracket, GLFW_KEY_RIGHT_BRACKET},
    {keys::grave_accent, GLFW_KEY_GRAVE_ACCENT},
    {keys::world_1, GLFW_KEY_WORLD_1},
    {keys::world_2, GLFW_KEY_WORLD_2},
    {keys::backspace, GLFW_KEY_BACKSPACE},
    {keys::insert, GLFW_KEY_INSERT},
    {keys::del, GLFW_KEY_DELETE},
    {keys::page_up, GLFW_KEY_PAGE_UP},
    {keys::page_down, GLFW_KEY_PAGE_DOWN},
    {keys::home, GLFW_KEY_HOME},
    {keys::end, GLFW_KEY_END},
    {keys::caps_lock, GLFW_KEY_CAPS_LOCK},
    {keys::scroll_lock, GLFW_KEY_SCROLL_LOCK},
    {keys::num_lock, GLFW_KEY_NUM_LOCK},
    {keys::print_screen, GLFW_KEY_PRINT_SCREEN},
    {keys::pause, GLFW_KEY_PAUSE},
    {keys::f6, GLFW_KEY_F6},
    {keys::f7, GLFW_KEY_F7},
    {keys::f8, GLFW_KEY_F8},
    {keys::f9, GLFW_KEY_F9},
    {keys::f10, GLFW_KEY_F10},
    {keys::f11, GLFW_KEY_F11},
    {keys::f13, GLFW_KEY_F13},
    {keys::f14, GLFW_KEY_F14},
    {keys::f15, GLFW_KEY_F15},
    {keys::f16, GLFW_KEY_F16},
    {keys::f17, GLFW_KEY_F17},
    {keys::f18, GLFW_KEY_F18},
    {keys::f19, GLFW_KEY_F19},
    {keys::f20, GLFW_KEY_F20},
    {keys::f21, GLFW_KEY_F21},
    {keys::f22, GLFW_KEY_F22},
    {keys::f23, GLFW_KEY_F23},
    {keys::f24, GLFW_KEY_F24},
    {keys::f25, GLFW_KEY_F25},
    {keys::kp_0, GLFW_KEY_KP_0},
    {keys::kp_1, GLFW_KEY_KP_1},
    {keys::kp_2, GLFW_KEY_KP_2},
    {keys::kp_3, GLFW_KEY_KP_3},
    {keys::kp_4, GLFW_KEY_KP_4},
    {keys::kp_5, GLFW_KEY_KP_5},
    {keys::kp_6, GLFW_KEY_KP_6},
    {keys::kp_7, GLFW_KEY_KP_7},
    {keys::kp_8, GLFW_KEY_KP_8},
    {keys::kp_9, GLFW_KEY_KP_9},
    {keys::kp_decimal, GLFW_KEY_KP_DECIMAL},
    {keys::kp_divide, GLFW_KEY_KP_DIVIDE},
    {keys::kp_multiply, GLFW_KEY_KP_MULTIPLY},
    {keys::kp_subtract, GLFW_KEY_KP_SUBTRACT},
    {keys::kp_add, GLFW_KEY_KP_ADD},
    {keys::kp_enter, GLFW_KEY_KP_ENTER},
    {keys::kp_equal, GLFW_KEY_KP_EQUAL},
    {keys::left_super, GLFW_KEY_LEFT_SUPER},
    {keys::right_super, GLFW_KEY_RIGHT_SUPER},
    {keys::menu, GLFW_KEY_MENU},
}};

}  // namespace

Status keysMatchGlfw() {
  for (const Named& n : named_keys) {
    ZEVRA_TRY(expect(static_cast<int>(zevra_input::keyCode(n.key)) == n.glfw));
    // The code goes through 16 bits and back without loss.
    ZEVRA_TRY(expect(static_cast<Key>(static_cast<std::uint16_t>(n.glfw)) == n.key));
  }
  for (const Named& n : other_keys) {
    ZEVRA_TRY(expect(static_cast<int>(zevra_input::keyCode(n.key)) == n.glfw));
  }
  // 120 keys, no code twice: no constant stands for a named member or another.
  std::array<bool, zevra_input::key_set_capacity> seen{};
  for (std::span<const Named> table : {std::span<const Named>(named_keys), {other_keys}}) {
    for (const Named& n : table) {
      const unsigned code = zevra_input::keyCode(n.key);
      ZEVRA_TRY(expect(code < seen.size() && !seen[code]));
      seen[code] = true;
    }
  }
  // Every key the library can report has a bit in the key sets.
  ZEVRA_TRY(expect(GLFW_KEY_LAST < static_cast<int>(zevra_input::key_set_capacity)));
  return {};
}

// The browser's key names reach every GLFW key but the two it has no name
// for, each from one name (the super keys also from their older names), and
// the names are distinct.
Status domCodesReachEveryGlfwKey() {
  const auto names = zevra_web::domKeys();
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (std::size_t j = i + 1; j < names.size(); ++j)
      ZEVRA_TRY(expect(names[i].code != names[j].code));
  }
  for (std::span<const Named> table : {std::span<const Named>(named_keys), {other_keys}}) {
    for (const Named& n : table) {
      std::size_t reached = 0;
      for (const zevra_web::DomKey& d : names) reached += d.key == n.key ? 1 : 0;
      const bool nameless = n.glfw == GLFW_KEY_WORLD_2 || n.glfw == GLFW_KEY_F25;
      const bool renamed = n.key == keys::left_super || n.key == keys::right_super;
      ZEVRA_TRY(expect(reached == (nameless ? 0u : renamed ? 2u : 1u)));
    }
  }
  ZEVRA_TRY(expect(zevra_web::keyFromDomCode("KeyW") == Key::w));
  ZEVRA_TRY(expect(!zevra_web::keyFromDomCode("MediaPlayPause") && !zevra_web::keyFromDomCode("")));
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

#pragma once
// One input event of a frame: a payload and the tag that says which payload
// it is. The payload fills bytes 0-31 (the largest payload), the tag is the
// byte at offset 32, and the record is 40 bytes with 8-byte alignment, so a
// list of events packs without surprises and can be handed around as bytes.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "zevra_input/key.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/mouse_button.hpp"

namespace zevra_input {

struct KeyEventData {
  std::uint32_t scancode = 0;  // the platform's code for the physical key
  Key key{};
  KeyMods mods{};
};

struct MouseMoveData {
  double x = 0, y = 0;    // cursor position
  double dx = 0, dy = 0;  // movement since the previous position
};

struct MouseButtonData {
  double x = 0, y = 0;  // cursor position at the click
  MouseButton button = MouseButton::left;
  KeyMods mods{};
};

struct MouseScrollData {
  double x_offset = 0, y_offset = 0;  // scroll amounts
  double x = 0, y = 0;                // cursor position
};

enum class InputEventTag : std::uint8_t {
  key_press = 0,      // KeyEventData
  key_release = 1,    // KeyEventData
  key_repeat = 2,     // KeyEventData
  mouse_move = 3,     // MouseMoveData
  mouse_press = 4,    // MouseButtonData
  mouse_release = 5,  // MouseButtonData
  mouse_scroll = 6,   // MouseScrollData
  char_input = 7,     // a Unicode code point
};

// The largest Unicode code point; it fits the 21 bits a character event holds.
inline constexpr char32_t max_code_point = 0x10FFFF;
inline constexpr char32_t replacement_character = 0xFFFD;

struct InputEvent {
  union Payload {
    KeyEventData key{};
    MouseMoveData mouse_move;
    MouseButtonData mouse_button;
    MouseScrollData mouse_scroll;
    std::uint32_t char_input;
  };

  Payload payload{};
  InputEventTag tag = InputEventTag::key_press;

  static constexpr InputEvent keyEvent(InputEventTag t, KeyEventData d) {
    return {.payload = {.key = d}, .tag = t};
  }
  static constexpr InputEvent mouseMove(MouseMoveData d) {
    return {.payload = {.mouse_move = d}, .tag = InputEventTag::mouse_move};
  }
  static constexpr InputEvent mouseButton(InputEventTag t, MouseButtonData d) {
    return {.payload = {.mouse_button = d}, .tag = t};
  }
  static constexpr InputEvent mouseScroll(MouseScrollData d) {
    return {.payload = {.mouse_scroll = d}, .tag = InputEventTag::mouse_scroll};
  }
  // A value that is no code point (above U+10FFFF) is recorded as U+FFFD, so
  // the payload always fits its 21 bits.
  static constexpr InputEvent charInput(char32_t cp) {
    const char32_t kept = cp <= max_code_point ? cp : replacement_character;
    return {.payload = {.char_input = static_cast<std::uint32_t>(kept)},
            .tag = InputEventTag::char_input};
  }

  // The payload the tag selects, or nullptr when the tag selects another.
  constexpr const KeyEventData* keyData() const {
    return tag <= InputEventTag::key_repeat ? &payload.key : nullptr;
  }
  constexpr const MouseMoveData* mouseMoveData() const {
    return tag == InputEventTag::mouse_move ? &payload.mouse_move : nullptr;
  }
  constexpr const MouseButtonData* mouseButtonData() const {
    return tag == InputEventTag::mouse_press || tag == InputEventTag::mouse_release
               ? &payload.mouse_button
               : nullptr;
  }
  constexpr const MouseScrollData* mouseScrollData() const {
    return tag == InputEventTag::mouse_scroll ? &payload.mouse_scroll : nullptr;
  }
  constexpr const std::uint32_t* codePoint() const {
    return tag == InputEventTag::char_input ? &payload.char_input : nullptr;
  }
};

static_assert(sizeof(KeyEventData) == 8 && alignof(KeyEventData) == 4);
static_assert(offsetof(KeyEventData, key) == 4 && offsetof(KeyEventData, mods) == 6);
static_assert(sizeof(MouseMoveData) == 32);
static_assert(sizeof(MouseButtonData) == 24 && offsetof(MouseButtonData, button) == 16 &&
              offsetof(MouseButtonData, mods) == 17);
static_assert(sizeof(MouseScrollData) == 32 && offsetof(MouseScrollData, x) == 16);
static_assert(sizeof(InputEvent::Payload) == 32);
static_assert(offsetof(InputEvent, payload) == 0 && offsetof(InputEvent, tag) == 32);
static_assert(sizeof(InputEvent) == 40 && alignof(InputEvent) == 8);
static_assert(std::is_trivially_copyable_v<InputEvent>);

}  // namespace zevra_input

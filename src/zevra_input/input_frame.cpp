#include "zevra_input/input_frame.hpp"

#include <optional>

namespace zevra_input {

namespace {

using keys::left_super;
using keys::right_super;

// The modifiers held once a key event has taken effect. Window libraries
// differ on whether an event's own modifier key is in its mods (X11 reports
// the state before the event), so a modifier key's flag follows the key set.
KeyMods modsAfter(const InputState& st, Key k, KeyMods reported) {
  const auto either = [&st](Key a, Key b) {
    return hasKey(st.keys_pressed, a) || hasKey(st.keys_pressed, b);
  };
  switch (keyCode(k)) {
    case keyCode(Key::left_shift):
    case keyCode(Key::right_shift):
      reported.shift = either(Key::left_shift, Key::right_shift);
      break;
    case keyCode(Key::left_ctrl):
    case keyCode(Key::right_ctrl):
      reported.control = either(Key::left_ctrl, Key::right_ctrl);
      break;
    case keyCode(Key::left_alt):
    case keyCode(Key::right_alt):
      reported.alt = either(Key::left_alt, Key::right_alt);
      break;
    case keyCode(left_super):
    case keyCode(right_super):
      reported.super = either(left_super, right_super);
      break;
    default:
      break;
  }
  return reported;
}

void setButton(MouseState& m, MouseButton b, bool down) {
  switch (b) {
    case MouseButton::left:
      m.left_pressed = down;
      break;
    case MouseButton::right:
      m.right_pressed = down;
      break;
    case MouseButton::middle:
      m.middle_pressed = down;
      break;
  }
}

}  // namespace

void InputFrame::apply(InputState& st, std::pmr::memory_resource& alloc, const InputEvent& ev) {
  if (!st.recordEvent(alloc, ev)) ++dropped_events;

  // The input whose press raises requests, if this event is one.
  std::optional<Binding> press;
  switch (ev.tag) {
    case InputEventTag::key_press:
    case InputEventTag::key_repeat:
    case InputEventTag::key_release: {
      const KeyEventData& k = ev.payload.key;
      const bool down = ev.tag != InputEventTag::key_release;
      setKey(st.keys_pressed, k.key, down);
      if (ev.tag == InputEventTag::key_press) {
        setKey(st.keys_just_pressed, k.key, true);
        press = Binding{Binding::Source::key, keyCode(k.key), {}};
      } else if (!down) {
        setKey(st.keys_just_released, k.key, true);
      }
      st.mods = modsAfter(st, k.key, k.mods);
      break;
    }
    case InputEventTag::mouse_move: {
      const MouseMoveData& m = ev.payload.mouse_move;
      st.mouse.x = m.x;
      st.mouse.y = m.y;
      st.mouse.dx += m.dx;
      st.mouse.dy += m.dy;
      break;
    }
    case InputEventTag::mouse_press:
    case InputEventTag::mouse_release: {
      const MouseButtonData& b = ev.payload.mouse_button;
      const bool down = ev.tag == InputEventTag::mouse_press;
      st.mouse.x = b.x;
      st.mouse.y = b.y;
      setButton(st.mouse, b.button, down);
      st.mods = b.mods;
      if (down) {
        press = Binding{Binding::Source::mouse_button, static_cast<std::uint16_t>(b.button), {}};
      }
      break;
    }
    case InputEventTag::mouse_scroll: {
      const MouseScrollData& s = ev.payload.mouse_scroll;
      st.mouse.scroll_x += s.x_offset;
      st.mouse.scroll_y += s.y_offset;
      break;
    }
    case InputEventTag::char_input:
      break;
  }

  deriveHeldIntents(st);
  if (!press) return;
  for (const Binding& b : bindings) {
    if (!isHeldIntent(b.intent) && b.source == press->source && b.code == press->code) {
      intentFlag(st, b.intent) = true;
    }
  }
}

}  // namespace zevra_input

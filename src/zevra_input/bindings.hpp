#pragma once
// What a key or mouse button means to the application: the intents and
// requests of InputState, and the table that binds inputs to them. The table
// is plain data; an application replaces the defaults with its own array.

#include <array>
#include <cstdint>

#include "zevra_input/input_state.hpp"
#include "zevra_input/key.hpp"
#include "zevra_input/mouse_button.hpp"

namespace zevra_input {

// One flag of InputState each. The first seven are held intents, true while a
// bound input is held; the last four are requests, raised by the press of a
// bound input (key repeats raise nothing).
enum class Intent : std::uint8_t {
  camera_move_forward,
  camera_move_back,
  camera_move_left,
  camera_move_right,
  camera_move_up,
  camera_move_down,
  camera_orbit,
  should_close,
  toggle_wireframe,
  toggle_pipeline,
  reset_camera,
};

inline constexpr std::array<bool InputState::*, 11> intent_flags{
    &InputState::camera_move_forward, &InputState::camera_move_back, &InputState::camera_move_left,
    &InputState::camera_move_right,   &InputState::camera_move_up,   &InputState::camera_move_down,
    &InputState::camera_orbit,        &InputState::should_close,     &InputState::toggle_wireframe,
    &InputState::toggle_pipeline,     &InputState::reset_camera,
};

constexpr bool isHeldIntent(Intent i) { return i <= Intent::camera_orbit; }

constexpr bool& intentFlag(InputState& st, Intent i) {
  return st.*intent_flags[static_cast<std::uint8_t>(i)];
}

struct Binding {
  enum class Source : std::uint8_t { key, mouse_button };
  Source source = Source::key;
  std::uint16_t code = 0;  // a Key code, or a MouseButton number
  Intent intent = Intent::camera_move_forward;

  static constexpr Binding key(Key k, Intent i) { return {Source::key, keyCode(k), i}; }
  static constexpr Binding mouse(MouseButton b, Intent i) {
    return {Source::mouse_button, static_cast<std::uint16_t>(b), i};
  }
};

// W/S forward/back, A/D left/right, Space/Left Shift up/down, right mouse
// button held to orbit; Escape, F1, F2 and R for the four requests.
inline constexpr auto default_bindings = std::to_array<Binding>({
    Binding::key(Key::w, Intent::camera_move_forward),
    Binding::key(Key::s, Intent::camera_move_back),
    Binding::key(Key::a, Intent::camera_move_left),
    Binding::key(Key::d, Intent::camera_move_right),
    Binding::key(Key::space, Intent::camera_move_up),
    Binding::key(Key::left_shift, Intent::camera_move_down),
    Binding::mouse(MouseButton::right, Intent::camera_orbit),
    Binding::key(Key::escape, Intent::should_close),
    Binding::key(Key::f1, Intent::toggle_wireframe),
    Binding::key(Key::f2, Intent::toggle_pipeline),
    Binding::key(Key::r, Intent::reset_camera),
});

}  // namespace zevra_input

#pragma once
// The input of one frame: which keys are held and which changed, the mouse,
// the events, the modifiers, and the intents and requests the application
// reads. The camera derives its movement and orbit input from it.

#include <array>
#include <cstdint>
#include <memory_resource>

#include "zevra/expected.hpp"
#include "zevra_input/event_list.hpp"
#include "zevra_input/input_event.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/key_set.hpp"
#include "zevra_input/mouse_state.hpp"

namespace zevra_input {

struct InputState {
  KeySet keys_pressed{};
  KeySet keys_just_pressed{};
  KeySet keys_just_released{};
  MouseState mouse{};
  double camera_speed = 1.0;  // a setting for the application; the camera keeps its own speed
  EventList events{};         // grown and freed with the caller's allocator
  std::uint32_t max_events = 256;
  KeyMods mods{};
  bool camera_move_forward = false;
  bool camera_move_back = false;
  bool camera_move_left = false;
  bool camera_move_right = false;
  bool camera_move_up = false;
  bool camera_move_down = false;
  bool camera_orbit = false;
  bool should_close = false;
  bool toggle_wireframe = false;
  bool toggle_pipeline = false;
  bool reset_camera = false;

  // The movement direction in camera coordinates: [0] right (+) / left (-),
  // [1] up / down, [2] forward / back. Unit length, or all zero when no
  // intent is set or opposite intents cancel.
  std::array<double, 3> cameraMoveDir() const;

  // (mouse.dx, mouse.dy) while orbiting, else (0, 0); unscaled.
  constexpr std::array<double, 2> cameraOrbitDelta() const {
    if (!camera_orbit) return {0.0, 0.0};
    return {mouse.dx, mouse.dy};
  }

  // Records `ev` in `events` unless `max_events` are already held.
  std::expected<void, EventListError> recordEvent(std::pmr::memory_resource& alloc, InputEvent ev) {
    return events.append(alloc, ev, max_events);
  }
};

}  // namespace zevra_input

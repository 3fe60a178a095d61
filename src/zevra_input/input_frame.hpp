#pragma once
// The life of an InputState over one frame: `begin` clears what belongs to
// the previous frame, `apply` takes each event of this one, and the intents
// and requests follow from the bindings after every step. Nothing here fails:
// an event the list cannot hold still changes the state and is counted.

#include <cstdint>
#include <memory_resource>
#include <span>

#include "zevra_input/bindings.hpp"
#include "zevra_input/input_event.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_input/key_set.hpp"

namespace zevra_input {

constexpr bool isHeld(const InputState& st, Binding b) {
  if (b.source == Binding::Source::key) return hasKey(st.keys_pressed, Key{b.code});
  switch (b.code) {
    case static_cast<std::uint16_t>(MouseButton::left):
      return st.mouse.left_pressed;
    case static_cast<std::uint16_t>(MouseButton::right):
      return st.mouse.right_pressed;
    case static_cast<std::uint16_t>(MouseButton::middle):
      return st.mouse.middle_pressed;
    default:
      return false;
  }
}

// Kept beside the state rather than in it, so that InputState stays the
// record the camera and the tests know.
struct InputFrame {
  // Read on every event; the array must outlive the frame that uses it.
  std::span<const Binding> bindings = default_bindings;
  // Events of this frame that `events` could not hold (full, or no memory).
  std::uint32_t dropped_events = 0;

  // Clears the just-pressed and just-released sets, the mouse deltas and
  // scroll, the events and the one-frame requests; held intents are derived
  // again, so a table replaced between frames applies at once. `should_close`
  // stays set until the application clears it.
  constexpr void begin(InputState& st) {
    st.keys_just_pressed = {};
    st.keys_just_released = {};
    st.mouse.clearDeltas();
    st.events.clear();
    st.toggle_wireframe = st.toggle_pipeline = st.reset_camera = false;
    dropped_events = 0;
    deriveHeldIntents(st);
  }

  // Records `ev` (through `alloc`, up to `max_events`) and applies it: key
  // sets and modifiers, cursor position and deltas (summed over the frame),
  // buttons, scroll; then the intents and the requests its press raises.
  void apply(InputState& st, std::pmr::memory_resource& alloc, const InputEvent& ev);

  constexpr void deriveHeldIntents(InputState& st) const {
    for (std::size_t i = 0; i < intent_flags.size(); ++i) {
      if (isHeldIntent(static_cast<Intent>(i))) st.*intent_flags[i] = false;
    }
    for (const Binding& b : bindings) {
      if (isHeldIntent(b.intent) && isHeld(st, b)) intentFlag(st, b.intent) = true;
    }
  }
};

}  // namespace zevra_input

#pragma once
// The mouse as the frame sees it: where the cursor is, how far it and the
// wheel moved this frame, and which buttons are held.

namespace zevra_input {

struct MouseState {
  double x = 0;
  double y = 0;
  double dx = 0;
  double dy = 0;
  double scroll_x = 0;
  double scroll_y = 0;
  bool left_pressed = false;
  bool right_pressed = false;
  bool middle_pressed = false;

  // The per-frame reset: deltas and scroll go to zero; the cursor position
  // and the buttons carry over to the next frame.
  constexpr void clearDeltas() {
    dx = 0;
    dy = 0;
    scroll_x = 0;
    scroll_y = 0;
  }
};

}  // namespace zevra_input

#pragma once
// The viewer's frame flow: the browser's input events, turned into the
// engine's InputEvents as they arrive, go through InputFrame.apply; each frame
// then acts on the requests (Escape pauses, F1 wireframe, F2 the rigid
// motion, R reset), updates the camera with the frame's time and yields
// mvpGpu for the vertex stage's `mvp` uniform and the motion's matrix for
// pgl_action_batch. The page runs the GPU; this holds everything else.

#include <cstdint>
#include <memory_resource>
#include <string_view>

#include "zevra_app/camera.hpp"
#include "zevra_gpu/records.hpp"
#include "zevra_input/input_frame.hpp"
#include "zevra_input/input_state.hpp"

namespace zevra_web {

class Viewer {
 public:
  // The event list grows through `alloc`, which must outlive the viewer.
  explicit Viewer(std::pmr::memory_resource& alloc);
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  // A KeyboardEvent: keydown (key_repeat when it repeats) or keyup, its
  // `code`, and the modifiers as GLFW's bits. Returns whether the key is
  // bound, so that the page can keep the browser from acting on it too.
  bool key(zevra_input::InputEventTag tag, std::string_view dom_code, std::uint8_t mod_bits);
  void character(char32_t code_point);
  // A pointer move in CSS pixels: position and movement since the last.
  void pointerMove(double x, double y, double dx, double dy);
  // mousedown (mouse_press) or mouseup (mouse_release) of the DOM's button
  // number (0 left, 1 middle, 2 right; others are ignored). Returns whether
  // the button is bound.
  bool button(zevra_input::InputEventTag tag, int dom_button, double x, double y,
              std::uint8_t mod_bits);
  // A WheelEvent's deltas in its deltaMode (0 pixels, 1 lines, 2 pages),
  // as GLFW's scroll offsets: one notch of a wheel is 1, up is positive.
  void wheel(double delta_x, double delta_y, int delta_mode, double x, double y);

  // Ends the frame that the events since the last call belong to and begins
  // the next: the requests, then (unless paused) the camera moved by `dt`
  // seconds and the motion turned, then the matrices for a viewport of
  // width / height `aspect`.
  void frame(double dt, double aspect);

  const zevra_app::ZevraCamera& camera() const { return camera_; }
  const zevra_gpu::GpuPGL4& mvp() const { return mvp_; }
  const zevra_gpu::GpuPGL4& motionMatrix() const { return motion_; }
  const zevra_input::InputState& input() const { return input_; }
  bool paused() const { return paused_; }
  bool wireframe() const { return wireframe_; }
  bool motionRuns() const { return motion_runs_; }

 private:
  std::pmr::memory_resource* alloc_;
  zevra_input::InputState input_{};
  zevra_input::InputFrame frame_{};
  zevra_app::ZevraCamera camera_{};
  bool paused_ = false;
  bool wireframe_ = false;
  bool motion_runs_ = true;
  double motion_angle_ = 0.0;
  zevra_gpu::GpuPGL4 mvp_{};
  zevra_gpu::GpuPGL4 motion_{};
};

}  // namespace zevra_web

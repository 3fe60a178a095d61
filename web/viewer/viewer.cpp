#include "viewer.hpp"

#include <algorithm>

#include "dom_keys.hpp"
#include "scene.hpp"
#include "zevra_gpu/conversion.hpp"

namespace zevra_web {

namespace {

using zevra_input::Binding;
using zevra_input::InputEvent;
using zevra_input::InputEventTag;
using zevra_input::KeyMods;
using zevra_input::MouseButton;

bool isBound(std::span<const Binding> bindings, Binding::Source source, std::uint16_t code) {
  return std::any_of(bindings.begin(), bindings.end(),
                     [&](const Binding& b) { return b.source == source && b.code == code; });
}

// Pixels and lines per wheel notch, as browsers report one notch of a
// common wheel.
constexpr double pixels_per_notch = 100.0;
constexpr double lines_per_notch = 3.0;

}  // namespace

Viewer::Viewer(std::pmr::memory_resource& alloc) : alloc_(&alloc) {
  frame_.begin(input_);
  mvp_ = camera_.mvpGpu(16.0 / 9.0);
  motion_ = zevra_gpu::pgl4ToGpu(motion(motion_angle_));
}

Viewer::~Viewer() { input_.events.free(*alloc_); }

bool Viewer::key(InputEventTag tag, std::string_view dom_code, std::uint8_t mod_bits) {
  // A name GLFW has no key for is recorded as GLFW records its unknown key:
  // code 0xFFFF, outside the key sets.
  const zevra_input::Key key = keyFromDomCode(dom_code).value_or(zevra_input::Key{0xFFFF});
  frame_.apply(input_, *alloc_,
               InputEvent::keyEvent(tag, {.key = key, .mods = KeyMods::fromBits(mod_bits)}));
  return isBound(frame_.bindings, Binding::Source::key, zevra_input::keyCode(key));
}

void Viewer::character(char32_t code_point) {
  frame_.apply(input_, *alloc_, InputEvent::charInput(code_point));
}

void Viewer::pointerMove(double x, double y, double dx, double dy) {
  frame_.apply(input_, *alloc_, InputEvent::mouseMove({.x = x, .y = y, .dx = dx, .dy = dy}));
}

bool Viewer::button(InputEventTag tag, int dom_button, double x, double y, std::uint8_t mod_bits) {
  MouseButton b{};
  switch (dom_button) {
    case 0:
      b = MouseButton::left;
      break;
    case 1:
      b = MouseButton::middle;
      break;
    case 2:
      b = MouseButton::right;
      break;
    default:
      return false;
  }
  frame_.apply(input_, *alloc_,
               InputEvent::mouseButton(
                   tag, {.x = x, .y = y, .button = b, .mods = KeyMods::fromBits(mod_bits)}));
  return isBound(frame_.bindings, Binding::Source::mouse_button, static_cast<std::uint16_t>(b));
}

void Viewer::wheel(double delta_x, double delta_y, int delta_mode, double x, double y) {
  const double per_notch = delta_mode == 0   ? pixels_per_notch
                           : delta_mode == 1 ? lines_per_notch
                                             : 1.0;
  // The DOM's positive deltaY scrolls down, GLFW's positive offset up.
  frame_.apply(
      input_, *alloc_,
      InputEvent::mouseScroll(
          {.x_offset = -delta_x / per_notch, .y_offset = -delta_y / per_notch, .x = x, .y = y}));
}

void Viewer::frame(double dt, double aspect) {
  // Escape raises should_close, which stays set until the application
  // clears it: here it pauses, or resumes, the view.
  if (input_.should_close) {
    paused_ = !paused_;
    input_.should_close = false;
  } else if (!paused_) {
    if (input_.toggle_wireframe) wireframe_ = !wireframe_;
    if (input_.toggle_pipeline) motion_runs_ = !motion_runs_;
    if (input_.reset_camera) camera_.reset();
  }
  if (!paused_) {
    camera_.update(input_, dt);
    if (motion_runs_) motion_angle_ += dt * motion_rate;
  }
  mvp_ = camera_.mvpGpu(aspect);
  motion_ = zevra_gpu::pgl4ToGpu(motion(motion_angle_));
  frame_.begin(input_);
}

}  // namespace zevra_web

#include "zevra_glfw/window_input.hpp"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <cstdint>

namespace zevra_glfw {

namespace {

using zevra_input::InputEvent;
using zevra_input::InputEventTag;
using zevra_input::KeyMods;

WindowInput& inputOf(GLFWwindow* window) {
  return *static_cast<WindowInput*>(glfwGetWindowUserPointer(window));
}

void apply(WindowInput& in, const InputEvent& ev) { in.frame.apply(*in.state, *in.alloc, ev); }

KeyMods mods(int bits) { return KeyMods::fromBits(static_cast<std::uint8_t>(bits)); }

void onKey(GLFWwindow* window, int key, int scancode, int action, int bits) {
  const InputEventTag tag = action == GLFW_PRESS     ? InputEventTag::key_press
                            : action == GLFW_RELEASE ? InputEventTag::key_release
                                                     : InputEventTag::key_repeat;
  // GLFW_KEY_UNKNOWN (-1) becomes code 0xFFFF: recorded with its scancode,
  // outside the key sets.
  apply(inputOf(window),
        InputEvent::keyEvent(tag, {.scancode = static_cast<std::uint32_t>(scancode),
                                   .key = zevra_input::Key{static_cast<std::uint16_t>(key)},
                                   .mods = mods(bits)}));
}

void onChar(GLFWwindow* window, unsigned int code_point) {
  apply(inputOf(window), InputEvent::charInput(code_point));
}

void onCursor(GLFWwindow* window, double x, double y) {
  WindowInput& in = inputOf(window);
  const zevra_input::MouseState& m = in.state->mouse;
  const double dx = in.cursor_known ? x - m.x : 0.0;
  const double dy = in.cursor_known ? y - m.y : 0.0;
  in.cursor_known = true;
  apply(in, InputEvent::mouseMove({.x = x, .y = y, .dx = dx, .dy = dy}));
}

void onButton(GLFWwindow* window, int button, int action, int bits) {
  WindowInput& in = inputOf(window);
  const InputEventTag tag =
      action == GLFW_PRESS ? InputEventTag::mouse_press : InputEventTag::mouse_release;
  apply(in, InputEvent::mouseButton(
                tag, {.x = in.state->mouse.x,
                      .y = in.state->mouse.y,
                      .button = zevra_input::MouseButton{static_cast<std::uint8_t>(button)},
                      .mods = mods(bits)}));
}

void onScroll(GLFWwindow* window, double x_offset, double y_offset) {
  WindowInput& in = inputOf(window);
  apply(in, InputEvent::mouseScroll({.x_offset = x_offset,
                                     .y_offset = y_offset,
                                     .x = in.state->mouse.x,
                                     .y = in.state->mouse.y}));
}

void onClose(GLFWwindow* window) { inputOf(window).state->should_close = true; }

}  // namespace

void attach(GLFWwindow* window, WindowInput& input) {
  glfwSetWindowUserPointer(window, &input);
  glfwSetKeyCallback(window, onKey);
  glfwSetCharCallback(window, onChar);
  glfwSetCursorPosCallback(window, onCursor);
  glfwSetMouseButtonCallback(window, onButton);
  glfwSetScrollCallback(window, onScroll);
  glfwSetWindowCloseCallback(window, onClose);
}

void detach(GLFWwindow* window) {
  glfwSetKeyCallback(window, nullptr);
  glfwSetCharCallback(window, nullptr);
  glfwSetCursorPosCallback(window, nullptr);
  glfwSetMouseButtonCallback(window, nullptr);
  glfwSetScrollCallback(window, nullptr);
  glfwSetWindowCloseCallback(window, nullptr);
  glfwSetWindowUserPointer(window, nullptr);
}

void pollFrame(WindowInput& input) {
  input.frame.begin(*input.state);
  glfwPollEvents();
}

}  // namespace zevra_glfw

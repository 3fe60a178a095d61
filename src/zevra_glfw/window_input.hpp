#pragma once
// Feeds an InputState from a GLFW window: `attach` installs the window's key,
// character, cursor, button, scroll and close callbacks, and each frame
// `pollFrame` begins the frame and lets glfwPollEvents deliver into it.
//
//   zevra_glfw::WindowInput in{.state = &input, .alloc = &memory};
//   zevra_glfw::attach(window, in);
//   while (!input.should_close) {
//     zevra_glfw::pollFrame(in);
//     camera.update(input, dt);
//   }
//   zevra_glfw::detach(window);

#include <memory_resource>

#include "zevra_input/input_frame.hpp"
#include "zevra_input/input_state.hpp"

struct GLFWwindow;

namespace zevra_glfw {

struct WindowInput {
  zevra_input::InputState* state = nullptr;
  std::pmr::memory_resource* alloc = nullptr;  // grows the state's event list
  zevra_input::InputFrame frame{};             // bindings and the dropped-event count
  // Whether a cursor position has arrived: the first one moves no delta.
  bool cursor_known = false;
};

// Takes the window's user pointer for `input`, which must stay in place until
// `detach`. A close request of the window (its close button) sets
// `should_close`, as a bound key does.
void attach(GLFWwindow* window, WindowInput& input);

// Removes the callbacks and the user pointer.
void detach(GLFWwindow* window);

// Begins the frame, then polls GLFW's events (of every window it has).
void pollFrame(WindowInput& input);

}  // namespace zevra_glfw

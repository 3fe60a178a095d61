// glfw-window: a real GLFW window on a private Xvfb feeds an InputState
// through zevra_glfw; key and mouse input is injected by the X server's XTEST
// extension and the camera is driven from the result. Without an X server the
// tests skip, naming the cause; with CI set they fail instead.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "fake_input.hpp"
#include "x_server.hpp"
#include "zevra_app/camera.hpp"
#include "zevra_glfw/window_input.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/print.hpp"
#include "zevra_harness/registry.hpp"

namespace {

using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;
using zevra_input::Key;

constexpr zevra_harness::Error NoXServer{"NoXServer"};
constexpr zevra_harness::Error NoWindow{"NoWindow"};

std::string glfw_error;

// The X server and one window on it, opened by the first test and kept for
// the others; `cause` says why there is none.
struct Session {
  glfw_window::XServer server;
  GLFWwindow* window = nullptr;
  std::string cause;

  Session() {
    auto started = glfw_window::startXvfb("xvfb.log");
    if (!started) {
      cause = "no X server: " + started.error();
      return;
    }
    server = *started;
    // Appended rather than ":" + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on the latter.
    std::string display = ":";
    display += std::to_string(server.display);
    setenv("DISPLAY", display.c_str(), 1);
    glfwSetErrorCallback([](int, const char* text) { glfw_error = text; });
    if (glfwInit() != GLFW_TRUE) {
      cause = "glfwInit: " + glfw_error;
      return;
    }
    glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
    window = glfwCreateWindow(320, 240, "zevra glfw-window", nullptr, nullptr);
    if (window == nullptr) {
      cause = "glfwCreateWindow: " + glfw_error;
      return;
    }
    if (!glfw_window::hasXTest()) {
      cause = "the X server has no XTEST extension";
      window = nullptr;
      return;
    }
    // Without a window manager a window gets the keyboard only when focused
    // explicitly; GLFW then sets the input focus itself.
    glfwFocusWindow(window);
    if (glfwGetWindowAttrib(window, GLFW_FOCUSED) != GLFW_TRUE) {
      cause = "the window did not get the keyboard focus";
      window = nullptr;
    }
  }
  ~Session() {
    glfwTerminate();
    glfw_window::stopXvfb(server);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

Session& session() {
  static Session s;
  return s;
}

// The window, or the reason to skip (no X server and CI unset) or fail.
Status ready(const Session& s) {
  if (s.window != nullptr) return {};
  zevra_harness::print("{} ", s.cause);
  if (s.server.pid <= 0) {
    if (std::getenv("CI") == nullptr) return zevra_harness::skip();
    return zevra_harness::fail(NoXServer);
  }
  return zevra_harness::fail(NoWindow);
}

using glfw_window::fakeButton;
using glfw_window::fakeKey;
using glfw_window::fakeMotion;

// An InputState fed by the session's window for the length of one test.
struct Fed {
  GLFWwindow* window;
  zevra_input::InputState state{};
  zevra_glfw::WindowInput in{.state = &state, .alloc = &zevra_harness::allocator()};
  explicit Fed(GLFWwindow* w) : window(w) { zevra_glfw::attach(window, in); }
  ~Fed() {
    zevra_glfw::detach(window);
    state.events.free(*in.alloc);
  }
  Fed(const Fed&) = delete;
  Fed& operator=(const Fed&) = delete;
};

Status wHeldSixtyFrames() {
  const Session& s = session();
  ZEVRA_TRY(ready(s));
  Fed fed(s.window);
  zevra_app::ZevraCamera camera;
  const zevra_app::Vec4 first = camera.pos;
  constexpr double dt = 0.016;

  fakeKey("w", true);
  int held = 0;
  for (int frame = 0; frame < 60; ++frame) {
    zevra_glfw::pollFrame(fed.in);
    held += fed.state.camera_move_forward ? 1 : 0;
    camera.update(fed.state, dt);
  }
  fakeKey("w", false);
  zevra_glfw::pollFrame(fed.in);
  ZEVRA_TRY(expect(held == 60));
  ZEVRA_TRY(expect(!fed.state.camera_move_forward &&
                   zevra_input::hasKey(fed.state.keys_just_released, Key::w)));
  camera.update(fed.state, dt);

  double dot = 0;
  for (std::size_t i = 0; i < 4; ++i) dot += first[i] * camera.pos[i];
  ZEVRA_TRY(expectApproxEqAbs(std::acos(dot), 60 * dt * camera.speed, 1e-9));
  return {};
}

Status rightDragTurnsForward() {
  const Session& s = session();
  ZEVRA_TRY(ready(s));
  Fed fed(s.window);
  int x = 0, y = 0;
  glfwGetWindowPos(s.window, &x, &y);
  fakeMotion(x + 50, y + 60);
  zevra_glfw::pollFrame(fed.in);
  fakeButton(3, true);
  zevra_glfw::pollFrame(fed.in);
  ZEVRA_TRY(expect(fed.state.mouse.right_pressed && fed.state.camera_orbit));

  fakeMotion(x + 150, y + 60);
  zevra_glfw::pollFrame(fed.in);
  ZEVRA_TRY(expect(fed.state.mouse.dx == 100 && fed.state.mouse.dy == 0));
  zevra_app::ZevraCamera camera;
  camera.update(fed.state, 0.016);
  // Yaw -dx * orbit_sens turns forward (0, 0, -1, 0) away from right.
  const double yaw = -100 * camera.orbit_sens;
  ZEVRA_TRY(expectApproxEqAbs(camera.forward[0], std::sin(yaw), 1e-12));
  ZEVRA_TRY(expectApproxEqAbs(camera.forward[2], -std::cos(yaw), 1e-12));
  ZEVRA_TRY(expect(camera.forward[1] == 0 && camera.forward[3] == 0));

  fakeButton(3, false);
  zevra_glfw::pollFrame(fed.in);
  ZEVRA_TRY(expect(!fed.state.camera_orbit));
  return {};
}

Status escapeRequestsClose() {
  const Session& s = session();
  ZEVRA_TRY(ready(s));
  Fed fed(s.window);
  fakeKey("Escape", true);
  fakeKey("Escape", false);
  zevra_glfw::pollFrame(fed.in);
  ZEVRA_TRY(expect(fed.state.should_close));
  const auto events = fed.state.events.items();
  ZEVRA_TRY(expect(events.size() == 2 && events[0].keyData() != nullptr &&
                   events[0].keyData()->key == Key::escape));
  return {};
}

constexpr std::array<zevra_harness::TestFn, 3> window_tests{{
    {"glfw.W held for 60 frames moves 60 dt speed along S3", &wHeldSixtyFrames},
    {"glfw.right-button drag of +100 px turns forward by orbit_sens", &rightDragTurnsForward},
    {"glfw.Escape requests close", &escapeRequestsClose},
}};

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(window_tests, argc, argv); }

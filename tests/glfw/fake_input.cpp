#include "fake_input.hpp"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/extensions/XTest.h>

namespace glfw_window {

bool hasXTest() {
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  return XTestQueryExtension(glfwGetX11Display(), &event_base, &error_base, &major, &minor) != 0;
}

void fakeKey(const char* keysym, bool down) {
  Display* dpy = glfwGetX11Display();
  XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, XStringToKeysym(keysym)), down ? True : False,
                    CurrentTime);
  XSync(dpy, False);
}

void fakeButton(unsigned button, bool down) {
  Display* dpy = glfwGetX11Display();
  XTestFakeButtonEvent(dpy, button, down ? True : False, CurrentTime);
  XSync(dpy, False);
}

void fakeMotion(int x, int y) {
  Display* dpy = glfwGetX11Display();
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  XSync(dpy, False);
}

}  // namespace glfw_window

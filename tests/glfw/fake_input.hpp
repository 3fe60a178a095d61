#pragma once
// Real input through the X server's XTEST extension, sent on GLFW's own X
// connection: each call returns once the server has handled it, with the
// events it caused already queued for GLFW's next poll. (Kept apart from the
// tests: Xlib's headers define macros such as Status and True.)

namespace glfw_window {

// Whether GLFW's X server offers XTEST.
bool hasXTest();

// A key by its X keysym name ("w", "Escape").
void fakeKey(const char* keysym, bool down);

// X button numbers: 1 left, 2 middle, 3 right.
void fakeButton(unsigned button, bool down);

// The pointer to (x, y) on the screen.
void fakeMotion(int x, int y);

}  // namespace glfw_window

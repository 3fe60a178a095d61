#pragma once
// A private X server for tests: Xvfb on the first free display number, tied
// to this process so that it ends with it.

#include <sys/types.h>

#include <string>

#include "zevra/expected.hpp"

namespace glfw_window {

struct XServer {
  pid_t pid = -1;
  int display = -1;  // the N of ":N"
};

// Starts Xvfb with a 640x480 screen, its output going to `log_path`, and waits
// until it accepts clients. On failure, says why.
std::expected<XServer, std::string> startXvfb(const char* log_path);

void stopXvfb(XServer& server);

}  // namespace glfw_window

#pragma once
// The application's built-in defaults. Nothing in the self-test reads them;
// a front end with a window takes its settings from here.

#include <cstdint>
#include <string_view>

namespace zevra_app {

struct AppConfig {
  std::string_view title = "Zevra Engine \u2014 Projective Geometry";  // UTF-8, em dash
  std::uint32_t width = 1280;
  std::uint32_t height = 720;
  double target_fps = 60.0;
  std::uint32_t max_points = 100000;
  std::uint32_t max_geodesics = 10000;
  bool vsync = true;
};

}  // namespace zevra_app

#pragma once
// What a ZevraViewer of the C interface holds, for C++ code built with the
// interface (the native twin reads the camera itself).

#include <array>
#include <memory_resource>

#include "scene.hpp"
#include "viewer.hpp"
#include "zevra_viewer.h"

struct ZevraViewer {
  zevra_web::Viewer viewer{*std::pmr::new_delete_resource()};
  zevra_web::Scene scene = zevra_web::buildScene();
  std::array<char, 64> code{};  // a KeyboardEvent.code, written by the page
};

// The native twin of the viewer page: the same C interface, built natively,
// driven by the script the browser test plays on the page, so that what the
// page shows can be compared with what the engine computes here. Reads
// commands from standard input, one a line:
//   aspect W H        the canvas size, in pixels
//   key down|up CODE  a KeyboardEvent with that code and no modifier
//   step N DT         N frames of DT seconds
//   camera            prints "camera X Y Z W" (shortest round-trip decimals)
//   project FILE      writes, per drawn point of the scene (row-major: rows of
//                     lanes), 8 f64: where the f64 path puts it in clip space
//                     through its chart, and through the next best chart
//                     when f32 could pick that one (else the same again)
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "../gpu/fixtures.hpp"
#include "handle.hpp"

namespace {

using gpu_fixtures::HomVec4;
using gpu_fixtures::PGL4;

std::string shortest(double v) {
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), v).ptr;
  return {text.data(), end};
}

// The chart of the largest coordinate (ties w, x, y, z, as the vertex stage),
// or of the second largest when the two are within f32's reach of a tie.
std::array<double, 3> chart(HomVec4 p, bool second) {
  const std::array<double, 4> a{std::fabs(p.w), std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)};
  std::size_t best = 0;
  for (std::size_t i = 1; i < 4; ++i)
    if (a[i] > a[best]) best = i;
  std::size_t next = best == 0 ? 1 : 0;
  for (std::size_t i = 0; i < 4; ++i)
    if (i != best && a[i] > a[next]) next = i;
  const std::size_t c = second && a[best] - a[next] <= 1e-3 * a[best] ? next : best;
  switch (c) {
    case 0:
      return {p.x / p.w, p.y / p.w, p.z / p.w};
    case 1:
      return {p.y / p.x, p.z / p.x, p.w / p.x};
    case 2:
      return {p.x / p.y, p.z / p.y, p.w / p.y};
    default:
      return {p.x / p.z, p.y / p.z, p.w / p.z};
  }
}

bool project(const ZevraViewer* viewer, double aspect, bool motion, const char* path) {
  PGL4 moving = PGL4::identity();
  if (motion) {
    const float* m = zevra_viewer_motion(viewer);
    for (std::size_t i = 0; i < 16; ++i) moving.data[i] = m[i];
  }
  const zevra_app::ZevraCamera& camera = viewer->viewer.camera();
  PGL4 view{}, projection{};
  view.data = camera.viewPGL4();
  projection.data = camera.projectionPGL4(aspect);
  const PGL4 pv = PGL4::mul(projection, view);

  const auto* start = static_cast<const zevra_gpu::GpuGeodesicState*>(zevra_scene_start(viewer));
  zevra_gpu::RK4Params params{};
  std::memcpy(&params, zevra_scene_params(viewer), sizeof params);
  std::vector<gpu_fixtures::State> at;
  for (std::size_t l = 0; l < zevra_web::lanes; ++l) {
    const auto& g = start[l];
    at.push_back({g.qx, g.qy, g.qz, g.qw, g.vx, g.vy, g.vz, g.vw});
  }
  std::vector<double> out;
  for (std::size_t k = 0; k < zevra_web::drawn_rows; ++k) {
    for (gpu_fixtures::State& s : at) {
      const HomVec4 p = moving.apply(HomVec4::init(s[0], s[1], s[2], s[3]));
      for (bool second : {false, true}) {
        const std::array<double, 3> c = chart(p, second);
        const HomVec4 clip = pv.apply(HomVec4::fromCartesian(c[0], c[1], c[2]));
        out.insert(out.end(), {clip.x, clip.y, clip.z, clip.w});
      }
      s = gpu_fixtures::rk4Step(s, params.dt);
    }
  }
  std::FILE* f = std::fopen(path, "wb");
  const bool ok =
      f != nullptr && std::fwrite(out.data(), sizeof(double), out.size(), f) == out.size();
  return (f == nullptr || std::fclose(f) == 0) && ok;
}

}  // namespace

int main() {
  ZevraViewer* viewer = zevra_viewer_create();
  double aspect = 16.0 / 9.0;
  bool motion = true;
  std::string line;
  int status = 0;
  while (status == 0 && std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string op;
    in >> op;
    if (op == "aspect") {
      double w = 0, h = 0;
      in >> w >> h;
      aspect = w / h;
    } else if (op == "key") {
      std::string dir, code;
      in >> dir >> code;
      std::memcpy(zevra_viewer_code_buffer(viewer), code.data(),
                  std::min<std::size_t>(code.size(), 64));
      zevra_viewer_key(viewer, dir == "up" ? 1 : 0, static_cast<std::int32_t>(code.size()), 0);
    } else if (op == "step") {
      int n = 0;
      std::string dt;
      in >> n >> dt;
      const double seconds = std::strtod(dt.c_str(), nullptr);
      for (int i = 0; i < n; ++i) motion = (zevra_viewer_frame(viewer, seconds, aspect) & 4u) != 0;
    } else if (op == "camera") {
      const double* p = zevra_viewer_camera(viewer);
      std::cout << "camera " << shortest(p[0]) << ' ' << shortest(p[1]) << ' ' << shortest(p[2])
                << ' ' << shortest(p[3]) << '\n';
    } else if (op == "project") {
      std::string path;
      in >> path;
      if (!project(viewer, aspect, motion, path.c_str())) status = 1;
    } else if (!op.empty()) {
      std::cerr << "viewer-twin: unknown command: " << line << '\n';
      status = 2;
    }
  }
  zevra_viewer_destroy(viewer);
  return status;
}

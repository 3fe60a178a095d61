// The scene of the picture of S^3: Hopf circles (great circles e^{it}(z1, z2)
// of the unit 3-sphere in C^2), each integrated by geodesic_rk4_step over half
// a turn (a whole projective line), moved by pgl_action_batch and drawn
// through dehomogenize_vertex with the mvpGpu of a camera that a script of
// input events has moved. Besides the shaders' inputs it writes, for every
// point in step-major order, where the engine's f64 path puts it in clip
// space, and whether its chart is too close to a tie to be sure of.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory_resource>
#include <numbers>
#include <string>
#include <vector>

#include "fixtures.hpp"
#include "zevra_app/camera.hpp"
#include "zevra_gpu/conversion.hpp"
#include "zevra_input/input_frame.hpp"
#include "zevra_kernel/builders.hpp"

namespace gpu_fixtures {

namespace {

using namespace zevra_input;

constexpr int rings = 4;      // Clifford tori
constexpr int per_ring = 16;  // circles on each torus
constexpr int steps = 1440;   // RK4 steps over half a turn
constexpr double aspect = 16.0 / 9.0;

// A few seconds of input at 60 frames per second through the frame life and
// the default bindings: forward, a strafe, a right-button drag, then up.
zevra_app::ZevraCamera scriptedCamera() {
  std::pmr::memory_resource& alloc = *std::pmr::new_delete_resource();
  InputState st{};
  InputFrame frame;
  zevra_app::ZevraCamera camera;
  const auto key = [](InputEventTag t, Key k) { return InputEvent::keyEvent(t, {.key = k}); };
  const auto button = [](InputEventTag t, double x, double y) {
    return InputEvent::mouseButton(t, {.x = x, .y = y, .button = MouseButton::right});
  };
  const auto run = [&](int frames, std::initializer_list<InputEvent> first) {
    for (int i = 0; i < frames; ++i) {
      frame.begin(st);
      if (i == 0) {
        for (const InputEvent& ev : first) frame.apply(st, alloc, ev);
      }
      camera.update(st, 1.0 / 60.0);
    }
  };
  using enum InputEventTag;
  run(30, {key(key_press, Key::w)});
  run(1, {key(key_release, Key::w), button(mouse_press, 320, 180)});
  run(1, {InputEvent::mouseMove({.x = 400, .y = 140, .dx = 80, .dy = -40})});
  run(1, {button(mouse_release, 400, 140)});
  st.events.free(alloc);
  return camera;
}

// Whether the two largest coordinate magnitudes are so close that f32
// rounding could pick the other chart.
bool nearChartTie(HomVec4 p) {
  double m[4] = {std::fabs(p.x), std::fabs(p.y), std::fabs(p.z), std::fabs(p.w)};
  double first = 0, second = 0;
  for (double v : m) {
    if (v > first) {
      second = first;
      first = v;
    } else if (v > second) {
      second = v;
    }
  }
  return first - second <= 1e-3 * first;
}

}  // namespace

void writeS3ViewScene() {
  std::vector<GpuGeodesicState> circles;
  for (int r = 0; r < rings; ++r) {
    // In the w chart the torus |z1| = cos eta is the hyperboloid
    // x^2 + y^2 = cot^2 eta (z^2 + 1): waists of 0.12 to 0.48 fit the view.
    const double eta = std::atan(1 / (0.12 * (r + 1)));
    for (int c = 0; c < per_ring; ++c) {
      const double xi = 2 * std::numbers::pi * c / per_ring + 0.3 * r;
      // q = (cos eta, 0, sin eta cos xi, sin eta sin xi); v = i q.
      const double q[4] = {std::cos(eta), 0, std::sin(eta) * std::cos(xi),
                           std::sin(eta) * std::sin(xi)};
      circles.push_back({static_cast<float>(q[0]), static_cast<float>(q[1]),
                         static_cast<float>(q[2]), static_cast<float>(q[3]),
                         static_cast<float>(-q[1]), static_cast<float>(q[0]),
                         static_cast<float>(-q[3]), static_cast<float>(q[2])});
    }
  }
  const zevra_gpu::RK4Params params{static_cast<float>(std::numbers::pi / steps), 0, 0, 0};
  // Turns the tori's axis from z to x, so that the camera sees their
  // hyperboloids from the side, and scales space by one half, so that the w
  // chart holds more of each circle.
  const double turn = std::numbers::pi / 2;
  PGL4 side = PGL4::identity();
  side.set(0, 0, std::cos(turn));
  side.set(0, 2, std::sin(turn));
  side.set(2, 0, -std::sin(turn));
  side.set(2, 2, std::cos(turn));
  const PGL4 model = PGL4::mul(zevra_kernel::pglRotateZ(0.15), side);
  const zevra_gpu::GpuPGL4 model_gpu = zevra_gpu::pgl4ToGpu(model);
  const zevra_app::ZevraCamera camera = scriptedCamera();
  const zevra_gpu::GpuPGL4 mvp = camera.mvpGpu(aspect);

  // The engine's f64 path: the kernel's chart and matrices, the camera's
  // view and projection, from the f32 values the shaders start from.
  PGL4 model_read{};
  for (std::size_t i = 0; i < 16; ++i) model_read.data[i] = model_gpu.data[i];
  PGL4 view{}, projection{};
  view.data = camera.viewPGL4();
  projection.data = camera.projectionPGL4(aspect);
  const PGL4 pv = PGL4::mul(projection, view);
  std::vector<State> at;
  for (const GpuGeodesicState& g : circles)
    at.push_back({g.qx, g.qy, g.qz, g.qw, g.vx, g.vy, g.vz, g.vw});
  std::vector<double> expected;  // per point: clip x, y, z, w and the tie flag
  for (int k = 0; k <= steps; ++k) {
    for (State& s : at) {
      const HomVec4 p = model_read.apply(HomVec4::init(s[0], s[1], s[2], s[3]));
      const std::array<double, 3> c = chartCoordinates(p);
      const HomVec4 clip = pv.apply(HomVec4::fromCartesian(c[0], c[1], c[2]));
      expected.insert(expected.end(),
                      {clip.x, clip.y, clip.z, clip.w, nearChartTie(p) ? 1.0 : 0.0});
      s = rk4Step(s, params.dt);
    }
  }
  writeBuffer<GpuGeodesicState>("s3_view_states.bin", circles);
  writeFile("s3_view_params.bin", &params, sizeof params);
  writeFile("s3_view_transform.bin", &model_gpu, sizeof model_gpu);
  writeFile("s3_view_mvp.bin", &mvp, sizeof mvp);
  writeBuffer<double>("s3_view_expected.bin", expected);
  writeText("s3_view.json", "{\"circles\": " + std::to_string(circles.size()) +
                                ", \"per_ring\": " + std::to_string(per_ring) +
                                ", \"steps\": " + std::to_string(steps) + "}\n");
}

}  // namespace gpu_fixtures

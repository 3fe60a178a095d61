// Moves the camera forward for a few frames, turns it a little, and prints
// the model-view-projection matrix of every frame (rows of the column-major
// record), then the camera's distance on S^3 from a few landmarks, all at
// once with the distance batch.
#include <array>
#include <cstdio>

#include "zevra_app/camera.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_kernel/metric.hpp"

namespace {

void printMvp(int frame, const zevra_app::ZevraCamera& camera) {
  const zevra_gpu::GpuPGL4 mvp = camera.mvpGpu(16.0 / 9.0);
  std::printf("frame %d\n", frame);
  for (int row = 0; row < 4; ++row)
    std::printf("  %.9g %.9g %.9g %.9g\n", static_cast<double>(mvp.data[row]),
                static_cast<double>(mvp.data[4 + row]), static_cast<double>(mvp.data[8 + row]),
                static_cast<double>(mvp.data[12 + row]));
}

}  // namespace

int main() {
  zevra_app::ZevraCamera camera;
  zevra_input::InputState input;
  printMvp(0, camera);
  input.camera_move_forward = true;
  for (int frame = 1; frame <= 3; ++frame) {
    camera.update(input, 0.016);
    printMvp(frame, camera);
  }
  // One frame of orbiting: yaw from a mouse move to the right.
  input.camera_move_forward = false;
  input.camera_orbit = true;
  input.mouse.dx = 100.0;
  camera.update(input, 0.016);
  printMvp(4, camera);

  using zevra_kernel::HomVec4;
  const std::array landmarks{HomVec4::init(0, 0, 0, 1), HomVec4::fromCartesian(0, 0, -1),
                             HomVec4::init(1, 0, 0, 0), HomVec4::init(0, 0, 0, -1)};
  std::array<double, landmarks.size()> distances{};
  const auto& p = camera.pos;
  zevra_kernel::fsDistanceBatch(landmarks, HomVec4::init(p[0], p[1], p[2], p[3]), distances);
  std::printf("distances from the start, (0, 0, -1), the x direction, the start's antipode:\n");
  for (const double d : distances) std::printf("  %.9g\n", d);
  return 0;
}

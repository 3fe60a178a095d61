#pragma once
// The camera on the unit 3-sphere S^3 in R^4: a point `pos` and three unit
// tangent directions, moved along great circles by the frame's input and
// turned into the view matrix and the GPU model-view-projection record.

#include <array>
#include <cstddef>

#include "zevra_gpu/records.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_kernel/rounded.hpp"

namespace zevra_app {

using Vec4 = std::array<double, 4>;  // x, y, z, w

// The dot product in R^4, summed from 0.0 in the order x, y, z, w, so that
// results are reproducible bit for bit.
constexpr double dot(const Vec4& a, const Vec4& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < 4; ++i) s += zevra_kernel::rounded(a[i] * b[i]);
  return s;
}

struct ZevraCamera {
  // The default frame is the identity: right, up, -forward and pos are the
  // four unit axes of R^4.
  Vec4 pos{0, 0, 0, 1};
  Vec4 forward{0, 0, -1, 0};
  Vec4 up{0, 1, 0, 0};
  Vec4 right{1, 0, 0, 0};
  double speed = 2.0;         // arc length (radians) per unit of frame time
  double orbit_sens = 0.003;  // radians of yaw or pitch per unit of mouse delta
  double fs_near = 0.01;
  double fs_far = 3.14;

  // Restores the default frame; speed, sensitivity and depth range stay.
  void reset();

  // One frame: a great-circle step along the movement intent, yaw and pitch
  // from the orbit deltas, Gram-Schmidt, then speed from the scroll wheel.
  void update(const zevra_input::InputState& input, double dt);

  // Modified Gram-Schmidt on pos, forward, up; right rebuilt as the 3D cross
  // product of forward and up (w = 0). Vectors of length <= 1e-10 (or NaN)
  // are left as they are.
  void reorthonormalize();

  // Column-major, columns right, up, -forward, pos (no transpose).
  std::array<double, 16> viewPGL4() const;

  // The fixed 60-degree right-handed perspective P for a viewport of width /
  // height `aspect`, looking along -z, clip depth -1 at fs_near to +1 at
  // fs_far; column-major f64, the reference for the f32 one below.
  std::array<double, 16> projectionPGL4(double aspect) const;

  // P * view in f32: P's entries rounded to f32, every product and sum in f32.
  zevra_gpu::GpuPGL4 mvpGpu(double aspect) const;
};

}  // namespace zevra_app

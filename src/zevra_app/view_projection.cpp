// The camera frame as a view matrix, and the single-precision
// model-view-projection record the vertex stage reads as `mvp`.
#include <cstddef>

#include "zevra_app/camera.hpp"
#include "zevra_kernel/tangent.hpp"

namespace zevra_app {

namespace {

// The f64 nearest to pi/3 (60 degrees); pi_f64 / 3 rounds one step below it.
constexpr double field_of_view = 1.0471975511965979;

// 1 / tan(fov / 2), the focal scale of the projection, known when the program
// is built.
constexpr double focal = 1.0 / zevra_kernel::tangent(field_of_view / 2.0);
static_assert(focal == 1.732050807568877);

}  // namespace

std::array<double, 16> ZevraCamera::viewPGL4() const {
  std::array<double, 16> view{};
  for (std::size_t c = 0; c < 4; ++c) {
    view[c] = right[c];
    view[4 + c] = up[c];
    view[8 + c] = -forward[c];
    view[12 + c] = pos[c];
  }
  return view;
}

std::array<double, 16> ZevraCamera::projectionPGL4(double aspect) const {
  const double near = fs_near;
  const double far = fs_far;
  const double f = focal;
  std::array<double, 16> proj{};
  proj[0] = f / aspect;
  proj[5] = f;
  proj[10] = (far + near) / (near - far);
  proj[11] = -1.0;
  proj[14] = (2.0 * far) * near / (near - far);
  return proj;
}

zevra_gpu::GpuPGL4 ZevraCamera::mvpGpu(double aspect) const {
  const std::array<double, 16> view = viewPGL4();
  // Each entry is formed in f64 and rounded once to f32.
  std::array<float, 16> proj{};
  const std::array<double, 16> proj64 = projectionPGL4(aspect);
  for (std::size_t i = 0; i < 16; ++i) proj[i] = static_cast<float>(proj64[i]);

  // result = P * V, column-major, every product and sum in f32.
  zevra_gpu::GpuPGL4 result{};
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (std::size_t k = 0; k < 4; ++k) {
        const float a = proj[i + 4 * k];
        const auto b = static_cast<float>(view[k + 4 * j]);
        sum = sum + a * b;
      }
      result.data[i + 4 * j] = sum;
    }
  }
  return result;
}

}  // namespace zevra_app

// Registered tests of the f64 -> f32 conversions.
#include <array>

#include "zevra_gpu/conversion.hpp"
#include "zevra_gpu/selftests/tests.hpp"

namespace zevra_gpu::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;
using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;

Status testHomVec4Conversion() {
  const HomVec4 p = HomVec4::init(1, 2, 3, 1);
  const GpuHomVec4 gpu = homVec4ToGpu(p);
  ZEVRA_TRY(expectApproxEqAbs(gpu.x, 1.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.y, 2.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.z, 3.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.w, 1.0f, 1e-5f));
  return {};
}

Status testPGL4ConversionIdentity() {
  const PGL4 i4 = PGL4::identity();
  const GpuPGL4 gpu = pgl4ToGpu(i4);
  ZEVRA_TRY(expectApproxEqAbs(gpu.data[0], 1.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.data[5], 1.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.data[10], 1.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu.data[15], 1.0f, 1e-5f));
  return {};
}

Status testBatchConversion() {
  const std::array points{HomVec4::init(1, 0, 0, 1), HomVec4::init(0, 1, 0, 1)};
  std::array<GpuHomVec4, 2> gpu_points;
  batchToGpu(points, gpu_points);
  ZEVRA_TRY(expectApproxEqAbs(gpu_points[0].x, 1.0f, 1e-5f));
  ZEVRA_TRY(expectApproxEqAbs(gpu_points[1].y, 1.0f, 1e-5f));
  return {};
}

}  // namespace zevra_gpu::test

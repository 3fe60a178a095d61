// Registered tests of the CPU reference batches.
#include <array>

#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_gpu/selftests/tests.hpp"
#include "zevra_kernel/builders.hpp"

namespace zevra_gpu::test {

using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;
using zevra_kernel::HomVec4;

Status testCpuFSDistanceBatch() {
  const std::array points{HomVec4::init(1, 0, 0, 0), HomVec4::init(0, 1, 0, 0),
                          HomVec4::init(0, 0, 1, 0)};
  const HomVec4 reference = HomVec4::init(1, 0, 0, 0);
  std::array<double, 3> distances;
  cpuFSDistanceBatch(points, reference, distances);
  ZEVRA_TRY(expectApproxEqAbs(distances[0], 0.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(distances[1], 1.5707963267948966, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(distances[2], 1.5707963267948966, 1e-10));
  return {};
}

Status testCpuPGLActionBatch() {
  const zevra_kernel::PGL4 t = zevra_kernel::pglTranslate(1, 0, 0);
  const std::array points{HomVec4::fromCartesian(0, 0, 0), HomVec4::fromCartesian(1, 0, 0)};
  std::array<HomVec4, 2> output;
  cpuPGLActionBatch(t, points, output);
  ZEVRA_TRY(expectApproxEqAbs(output[0].x, 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(output[0].w, 1.0, 1e-10));
  ZEVRA_TRY(expectApproxEqAbs(output[1].x, 2.0, 1e-10));
  return {};
}

}  // namespace zevra_gpu::test

// Registered tests of the GPU record layouts.
#include "zevra_gpu/records.hpp"
#include "zevra_gpu/selftests/tests.hpp"

namespace zevra_gpu::test {

using zevra_harness::expect;
using zevra_harness::Status;

Status testGpuHomVec4Size() {
  constexpr bool ok = sizeof(GpuHomVec4) == 16;
  ZEVRA_TRY(expect(ok));
  return {};
}

Status testGpuPGL4Size() {
  constexpr bool ok = sizeof(GpuPGL4) == 64;
  ZEVRA_TRY(expect(ok));
  return {};
}

Status testGpuGeodesicStateSize() {
  constexpr bool ok = sizeof(GpuGeodesicState) == 32;
  ZEVRA_TRY(expect(ok));
  return {};
}

// A uniform structure's size is a multiple of its 16-byte granule.
Status testRK4ParamsAlignment() {
  constexpr bool ok = sizeof(RK4Params) % 16 == 0;
  ZEVRA_TRY(expect(ok));
  return {};
}

// The MVP uniform is one GpuPGL4: 64 bytes on a 16-byte boundary.
Status testMvpAlignment() {
  constexpr bool ok = sizeof(GpuPGL4) == 64 && alignof(GpuPGL4) % 16 == 0;
  ZEVRA_TRY(expect(ok));
  return {};
}

}  // namespace zevra_gpu::test

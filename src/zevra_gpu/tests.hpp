#pragma once
// The tests zevra_gpu registers, in source order.

#include <array>

#include "harness/testing.hpp"

namespace zevra_gpu::test {

zevra_harness::Status testGpuHomVec4Size();
zevra_harness::Status testGpuPGL4Size();
zevra_harness::Status testGpuGeodesicStateSize();
zevra_harness::Status testRK4ParamsAlignment();
zevra_harness::Status testMvpAlignment();

inline constexpr std::array<zevra_harness::TestFn, 5> tests{{
    {"zevra_gpu.test.GPU: GpuHomVec4 is 16 bytes", &testGpuHomVec4Size},
    {"zevra_gpu.test.GPU: GpuPGL4 is 64 bytes", &testGpuPGL4Size},
    {"zevra_gpu.test.GPU: GpuGeodesicState is 32 bytes", &testGpuGeodesicStateSize},
    {"zevra_gpu.test.GPU: RK4Params alignment", &testRK4ParamsAlignment},
    {"zevra_gpu.test.GPU: MVP alignment", &testMvpAlignment},
}};

}  // namespace zevra_gpu::test

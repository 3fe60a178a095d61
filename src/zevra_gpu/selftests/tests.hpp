#pragma once
// The tests zevra_gpu registers, in source order.

#include <array>

#include "zevra_harness/testing.hpp"

namespace zevra_gpu::test {

zevra_harness::Status testWgslShadersNonEmpty();
zevra_harness::Status testGpuHomVec4Size();
zevra_harness::Status testGpuPGL4Size();
zevra_harness::Status testGpuGeodesicStateSize();
zevra_harness::Status testHomVec4Conversion();
zevra_harness::Status testPGL4ConversionIdentity();
zevra_harness::Status testBatchConversion();
zevra_harness::Status testCpuFSDistanceBatch();
zevra_harness::Status testCpuPGLActionBatch();
zevra_harness::Status testAllComputePipelinesValid();
zevra_harness::Status testWgslModuleAssembly();
zevra_harness::Status testRK4ParamsAlignment();
zevra_harness::Status testMvpAlignment();

inline constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"zevra_gpu.test.GPU: WGSL shaders are non-empty", &testWgslShadersNonEmpty},
    {"zevra_gpu.test.GPU: GpuHomVec4 is 16 bytes", &testGpuHomVec4Size},
    {"zevra_gpu.test.GPU: GpuPGL4 is 64 bytes", &testGpuPGL4Size},
    {"zevra_gpu.test.GPU: GpuGeodesicState is 32 bytes", &testGpuGeodesicStateSize},
    {"zevra_gpu.test.GPU: HomVec4 → GpuHomVec4 conversion", &testHomVec4Conversion},
    {"zevra_gpu.test.GPU: PGL4 → GpuPGL4 conversion preserves identity",
     &testPGL4ConversionIdentity},
    {"zevra_gpu.test.GPU: batch conversion", &testBatchConversion},
    {"zevra_gpu.test.GPU: CPU equivalent FS distance batch", &testCpuFSDistanceBatch},
    {"zevra_gpu.test.GPU: CPU equivalent PGL action batch", &testCpuPGLActionBatch},
    {"zevra_gpu.test.GPU: all compute pipelines are valid", &testAllComputePipelinesValid},
    {"zevra_gpu.test.GPU: WGSL module assembly", &testWgslModuleAssembly},
    {"zevra_gpu.test.GPU: RK4Params alignment", &testRK4ParamsAlignment},
    {"zevra_gpu.test.GPU: MVP alignment", &testMvpAlignment},
});

}  // namespace zevra_gpu::test

#pragma once
// How the GPU records print in test messages (print, log, expectEqual),
// found by argument-dependent lookup, in f32 digits. Test support: the
// module's library itself knows nothing of the harness.

#include "zevra_gpu/pipelines.hpp"
#include "zevra_gpu/records.hpp"
#include "zevra_harness/print.hpp"

namespace zevra_gpu {

// "GpuHomVec4(1e0, 2e0, 3e0, 1e0)".
void printValue(zevra_harness::TextSink& out, const GpuHomVec4& v);
// "GpuPGL4(columns (...) (...) (...) (...))", as stored.
void printValue(zevra_harness::TextSink& out, const GpuPGL4& m);
// "GpuGeodesicState(q (...), v (...))".
void printValue(zevra_harness::TextSink& out, const GpuGeodesicState& s);
// "RK4Params(dt 1e-2)": the padding is never read.
void printValue(zevra_harness::TextSink& out, const RK4Params& p);
// The kind's name, "fs_distance_batch" and so on.
void printValue(zevra_harness::TextSink& out, ComputePipelineKind kind);

}  // namespace zevra_gpu

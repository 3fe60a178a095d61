#include "zevra_gpu/selftests/printers.hpp"

#include <cstddef>
#include <cstdint>

namespace zevra_gpu {

void printValue(zevra_harness::TextSink& out, const GpuHomVec4& v) {
  out.print("GpuHomVec4({}, {}, {}, {})", v.x, v.y, v.z, v.w);
}

void printValue(zevra_harness::TextSink& out, const GpuPGL4& m) {
  out.text("GpuPGL4(columns");
  for (std::size_t c = 0; c < 4; ++c)
    out.print(" ({}, {}, {}, {})", m.data[c * 4], m.data[c * 4 + 1], m.data[c * 4 + 2],
              m.data[c * 4 + 3]);
  out.text(")");
}

void printValue(zevra_harness::TextSink& out, const GpuGeodesicState& s) {
  out.print("GpuGeodesicState(q ({}, {}, {}, {}), v ({}, {}, {}, {}))", s.qx, s.qy, s.qz, s.qw,
            s.vx, s.vy, s.vz, s.vw);
}

void printValue(zevra_harness::TextSink& out, const RK4Params& p) {
  out.print("RK4Params(dt {})", p.dt);
}

void printValue(zevra_harness::TextSink& out, ComputePipelineKind kind) {
  switch (kind) {
    case ComputePipelineKind::fs_distance_batch:
      return out.text("fs_distance_batch");
    case ComputePipelineKind::pgl_action_batch:
      return out.text("pgl_action_batch");
    case ComputePipelineKind::geodesic_rk4_step:
      return out.text("geodesic_rk4_step");
    case ComputePipelineKind::idempotent_newton:
      return out.text("idempotent_newton");
  }
  out.print("ComputePipelineKind({})", static_cast<std::uint8_t>(kind));
}

}  // namespace zevra_gpu

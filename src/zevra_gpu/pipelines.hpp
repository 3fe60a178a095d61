#pragma once
// The compute pipeline catalogue: each of the engine's compute pipelines
// described by its WGSL source (without preludes) and its workgroup size, so
// that a GPU back end can create all of them from one table.

#include <array>
#include <cstdint>
#include <string_view>

#include "zevra_gpu/wgsl_compute.hpp"

namespace zevra_gpu {

// The @workgroup_size written in the three per-element compute shaders.
inline constexpr std::uint32_t WORKGROUP_SIZE = 64;

enum class ComputePipelineKind : std::uint8_t {
  fs_distance_batch = 0,
  pgl_action_batch = 1,
  geodesic_rk4_step = 2,
  idempotent_newton = 3,
};

struct ComputePipelineDesc {
  std::string_view shader;
  std::uint32_t workgroup_size;
  ComputePipelineKind kind;

  // The catalogue row of `kind`. A value outside the enumeration gets an
  // empty shader and workgroup size 0, which no back end can mistake for a
  // pipeline.
  static constexpr ComputePipelineDesc forKind(ComputePipelineKind kind) {
    switch (kind) {
      case ComputePipelineKind::fs_distance_batch:
        return {wgsl_fs_distance_batch, WORKGROUP_SIZE, kind};
      case ComputePipelineKind::pgl_action_batch:
        return {wgsl_pgl_action_batch, WORKGROUP_SIZE, kind};
      case ComputePipelineKind::geodesic_rk4_step:
        return {wgsl_geodesic_rk4_step, WORKGROUP_SIZE, kind};
      case ComputePipelineKind::idempotent_newton:
        // Each invocation carries a whole 4x4 matrix: a smaller group.
        return {wgsl_idempotent_newton, 16, kind};
    }
    return {{}, 0, kind};
  }
};

// The four pipelines in enumerator order.
constexpr std::array<ComputePipelineDesc, 4> allComputePipelines() {
  return {
      ComputePipelineDesc::forKind(ComputePipelineKind::fs_distance_batch),
      ComputePipelineDesc::forKind(ComputePipelineKind::pgl_action_batch),
      ComputePipelineDesc::forKind(ComputePipelineKind::geodesic_rk4_step),
      ComputePipelineDesc::forKind(ComputePipelineKind::idempotent_newton),
  };
}

}  // namespace zevra_gpu

// Registered tests of the WGSL sources, the catalogue and the module.
#include "zevra_gpu/pipelines.hpp"
#include "zevra_gpu/selftests/tests.hpp"
#include "zevra_gpu/wgsl_compute.hpp"
#include "zevra_gpu/wgsl_module.hpp"
#include "zevra_gpu/wgsl_vertex.hpp"

namespace zevra_gpu::test {

using zevra_harness::expect;
using zevra_harness::Status;

// The texts are constants: each check is decided when the program is built.
Status testWgslShadersNonEmpty() {
  constexpr bool fs_distance = !wgsl_fs_distance_batch.empty();
  constexpr bool pgl_action = !wgsl_pgl_action_batch.empty();
  constexpr bool rk4 = !wgsl_geodesic_rk4_step.empty();
  constexpr bool newton = !wgsl_idempotent_newton.empty();
  constexpr bool vertex = !wgsl_dehomogenize_vertex.empty();
  ZEVRA_TRY(expect(fs_distance));
  ZEVRA_TRY(expect(pgl_action));
  ZEVRA_TRY(expect(rk4));
  ZEVRA_TRY(expect(newton));
  ZEVRA_TRY(expect(vertex));
  return {};
}

Status testAllComputePipelinesValid() {
  const auto pipelines = allComputePipelines();
  constexpr bool four = allComputePipelines().size() == 4;
  ZEVRA_TRY(expect(four));
  for (const ComputePipelineDesc& p : pipelines) {
    ZEVRA_TRY(expect(p.shader.size() > 0));
    ZEVRA_TRY(expect(p.workgroup_size > 0));
  }
  return {};
}

Status testWgslModuleAssembly() {
  const std::string_view module = buildWgslModule();
  ZEVRA_TRY(expect(module.size() > 100));
  return {};
}

}  // namespace zevra_gpu::test

// The C interface of zevra_viewer.h over a Viewer, its scene and the engine's
// shader texts and pipeline catalogue.
#include <array>
#include <cstddef>
#include <new>
#include <string_view>

#include "handle.hpp"
#include "shader_texts.hpp"
#include "zevra_gpu/pipelines.hpp"
#include "zevra_viewer.h"

namespace {

using zevra_input::InputEventTag;

// The entry points are fixed by the shader texts, not by the catalogue.
constexpr std::string_view entryPoint(zevra_gpu::ComputePipelineKind kind) {
  switch (kind) {
    case zevra_gpu::ComputePipelineKind::fs_distance_batch:
      return "fs_distance_batch";
    case zevra_gpu::ComputePipelineKind::pgl_action_batch:
      return "pgl_action_batch";
    case zevra_gpu::ComputePipelineKind::geodesic_rk4_step:
      return "geodesic_rk4_step";
    case zevra_gpu::ComputePipelineKind::idempotent_newton:
      return "idempotent_newton_step";
  }
  return {};
}

constexpr auto catalogue = zevra_gpu::allComputePipelines();

std::string_view wgsl(std::int32_t which) {
  switch (which) {
    case 0:
      return zevra_gpu::buildWgslModule();
    case 1:
      return zevra_web::wgsl_vertex_module;
    case 2:
      return zevra_web::wgsl_viewer_fragment;
    default:
      return {};
  }
}

std::string_view pipelineText(std::uint32_t index, std::int32_t which) {
  if (index >= catalogue.size()) return {};
  return which == 0 ? entryPoint(catalogue[index].kind) : catalogue[index].shader;
}

InputEventTag keyTag(std::int32_t tag) {
  return tag == 1   ? InputEventTag::key_release
         : tag == 2 ? InputEventTag::key_repeat
                    : InputEventTag::key_press;
}

std::uint8_t modBits(std::int32_t mods) { return static_cast<std::uint8_t>(mods & 0x3F); }

}  // namespace

ZevraViewer* zevra_viewer_create(void) { return new (std::nothrow) ZevraViewer; }

void zevra_viewer_destroy(ZevraViewer* v) { delete v; }

char* zevra_viewer_code_buffer(ZevraViewer* v) { return v->code.data(); }

std::int32_t zevra_viewer_key(ZevraViewer* v, std::int32_t tag, std::int32_t length,
                              std::int32_t mods) {
  const std::size_t n = length < 0 ? 0 : static_cast<std::size_t>(length);
  // A code longer than the buffer is no key's name.
  const std::string_view code =
      n <= v->code.size() ? std::string_view(v->code.data(), n) : std::string_view("?");
  return v->viewer.key(keyTag(tag), code, modBits(mods)) ? 1 : 0;
}

void zevra_viewer_char(ZevraViewer* v, std::uint32_t code_point) {
  v->viewer.character(static_cast<char32_t>(code_point));
}

void zevra_viewer_pointer_move(ZevraViewer* v, double x, double y, double dx, double dy) {
  v->viewer.pointerMove(x, y, dx, dy);
}

std::int32_t zevra_viewer_button(ZevraViewer* v, std::int32_t tag, std::int32_t button, double x,
                                 double y, std::int32_t mods) {
  const InputEventTag t = tag == 5 ? InputEventTag::mouse_release : InputEventTag::mouse_press;
  return v->viewer.button(t, button, x, y, modBits(mods)) ? 1 : 0;
}

void zevra_viewer_wheel(ZevraViewer* v, double delta_x, double delta_y, std::int32_t delta_mode,
                        double x, double y) {
  v->viewer.wheel(delta_x, delta_y, delta_mode, x, y);
}

std::uint32_t zevra_viewer_frame(ZevraViewer* v, double dt, double aspect) {
  v->viewer.frame(dt, aspect);
  return (v->viewer.paused() ? 1u : 0u) | (v->viewer.wireframe() ? 2u : 0u) |
         (v->viewer.motionRuns() ? 4u : 0u);
}

const double* zevra_viewer_camera(const ZevraViewer* v) { return v->viewer.camera().pos.data(); }

const float* zevra_viewer_mvp(const ZevraViewer* v) { return v->viewer.mvp().data.data(); }

const float* zevra_viewer_motion(const ZevraViewer* v) {
  return v->viewer.motionMatrix().data.data();
}

std::uint32_t zevra_scene_size(std::int32_t what) {
  switch (what) {
    case 0:
      return zevra_web::lanes;
    case 1:
      return zevra_web::traced_rows;
    case 2:
      return zevra_web::drawn_rows;
    default:
      return 0;
  }
}

const void* zevra_scene_start(const ZevraViewer* v) { return v->scene.start.data(); }

const void* zevra_scene_params(const ZevraViewer* v) { return &v->scene.params; }

const float* zevra_scene_colours(const ZevraViewer* v) { return v->scene.colour.data()->data(); }

std::uint32_t zevra_record_size(std::int32_t record) {
  switch (record) {
    case 0:
      return sizeof(zevra_gpu::GpuHomVec4);
    case 1:
      return sizeof(zevra_gpu::GpuPGL4);
    case 2:
      return sizeof(zevra_gpu::GpuGeodesicState);
    case 3:
      return sizeof(zevra_gpu::RK4Params);
    default:
      return 0;
  }
}

const char* zevra_wgsl(std::int32_t which) { return wgsl(which).data(); }

std::uint32_t zevra_wgsl_length(std::int32_t which) {
  return static_cast<std::uint32_t>(wgsl(which).size());
}

std::uint32_t zevra_pipeline_count(void) { return catalogue.size(); }

std::uint32_t zevra_pipeline_kind(std::uint32_t index) {
  return index < catalogue.size() ? static_cast<std::uint32_t>(catalogue[index].kind) : 0;
}

std::uint32_t zevra_pipeline_workgroup_size(std::uint32_t index) {
  return index < catalogue.size() ? catalogue[index].workgroup_size : 0;
}

const char* zevra_pipeline_text(std::uint32_t index, std::int32_t which) {
  return pipelineText(index, which).data();
}

std::uint32_t zevra_pipeline_text_length(std::uint32_t index, std::int32_t which) {
  return static_cast<std::uint32_t>(pipelineText(index, which).size());
}

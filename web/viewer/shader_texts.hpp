#pragma once
// The WGSL the page compiles, all of it from here: the engine's compute module
// (buildWgslModule), its vertex stage joined to the HomVec4 prelude it needs,
// and the viewer's own fragment stage. The page carries no shader text.

#include <array>
#include <cstddef>
#include <string_view>

#include "zevra_gpu/wgsl_module.hpp"
#include "zevra_gpu/wgsl_preludes.hpp"
#include "zevra_gpu/wgsl_vertex.hpp"

namespace zevra_web {

namespace detail {

// The length of the parts joined by single newlines.
template <std::size_t N>
consteval std::size_t joinLines(std::array<std::string_view, N> parts) {
  std::size_t length = N - 1;
  for (std::string_view p : parts) length += p.size();
  return length;
}

inline constexpr std::array<std::string_view, 2> vertex_parts{zevra_gpu::wgsl_hom_vec4,
                                                              zevra_gpu::wgsl_dehomogenize_vertex};

consteval std::array<char, joinLines(vertex_parts)> vertexModule() {
  std::array<char, joinLines(vertex_parts)> text{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < vertex_parts.size(); ++i) {
    if (i > 0) text[at++] = '\n';
    for (char c : vertex_parts[i]) text[at++] = c;
  }
  return text;
}

inline constexpr auto vertex_module_text = vertexModule();

}  // namespace detail

// The HomVec4 prelude, a newline, then dehomogenize_vertex.
inline constexpr std::string_view wgsl_vertex_module{detail::vertex_module_text.data(),
                                                     detail::vertex_module_text.size()};

// The fragment stage reads dehomogenize_vertex's output: uv is the curve's
// colour and shade (scene.hpp). For lines, world_normal holds the chart
// coordinates of the next point of the curve; where the two differ by more
// than a step can move, the segment joins points of two charts and is not
// drawn.
inline constexpr std::string_view wgsl_viewer_fragment = R"wgsl(struct FragmentInput {
    @builtin(position) frag_position: vec4<f32>,
    @location(0) world_position: vec3<f32>,
    @location(1) world_normal: vec3<f32>,
    @location(2) uv: vec2<f32>,
    @location(3) card_index: f32,
}

const palette = array<vec3<f32>, 5>(
    vec3<f32>(0.35, 0.72, 1.0),
    vec3<f32>(0.45, 0.95, 0.6),
    vec3<f32>(1.0, 0.78, 0.3),
    vec3<f32>(1.0, 0.42, 0.55),
    vec3<f32>(0.95, 0.95, 1.0),
);

const max_segment = 0.1;

fn curve_colour(uv: vec2<f32>) -> vec4<f32> {
    return vec4<f32>(palette[u32(round(uv.x))] * (0.55 + 0.45 * uv.y), 1.0);
}

@fragment
fn shade_point(in: FragmentInput) -> @location(0) vec4<f32> {
    return curve_colour(in.uv);
}

@fragment
fn shade_line(in: FragmentInput) -> @location(0) vec4<f32> {
    if (length(in.world_normal - in.world_position) > max_segment) {
        discard;
    }
    return curve_colour(in.uv);
})wgsl";

}  // namespace zevra_web

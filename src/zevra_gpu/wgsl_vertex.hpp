#pragma once
// The WGSL vertex stage: dehomogenises points through their best affine chart
// and applies the model-view-projection matrix. Needs the HomVec4 prelude.

#include <string_view>

namespace zevra_gpu {

// Vertex attributes cannot be structures, so position and normal arrive as
// vec4<f32> (the 16-byte image of GpuHomVec4) and become HomVec4 values.
// mvp holds the 64 bytes of a GpuPGL4 as four columns (uniform arrays need a
// 16-byte stride): mvp[c][r] is host element c * 4 + r.
inline constexpr std::string_view wgsl_dehomogenize_vertex = R"wgsl(struct VertexInput {
    @location(0) position: vec4<f32>,
    @location(1) normal: vec4<f32>,
    @location(2) uv: vec2<f32>,
}

struct VertexOutput {
    @builtin(position) clip_position: vec4<f32>,
    @location(0) world_position: vec3<f32>,
    @location(1) world_normal: vec3<f32>,
    @location(2) uv: vec2<f32>,
    @location(3) card_index: f32,
}

@group(0) @binding(0) var<uniform> mvp: array<vec4<f32>, 4>;

fn abs_f(x: f32) -> f32 {
    return select(-x, x, x >= 0.0);
}

// The chart of the coordinate of largest magnitude, ties in the order w, x, y, z.
fn dehomogenize(p: HomVec4) -> vec3<f32> {
    let ax = abs_f(p.x);
    let ay = abs_f(p.y);
    let az = abs_f(p.z);
    let aw = abs_f(p.w);
    if (aw >= ax && aw >= ay && aw >= az) {
        return vec3<f32>(p.x / p.w, p.y / p.w, p.z / p.w);
    }
    if (ax >= ay && ax >= az) {
        return vec3<f32>(p.y / p.x, p.z / p.x, p.w / p.x);
    }
    if (ay >= az) {
        return vec3<f32>(p.x / p.y, p.z / p.y, p.w / p.y);
    }
    return vec3<f32>(p.x / p.z, p.y / p.z, p.w / p.z);
}

@vertex
fn dehomogenize_vertex(in: VertexInput) -> VertexOutput {
    let position = HomVec4(in.position.x, in.position.y, in.position.z, in.position.w);
    let normal = HomVec4(in.normal.x, in.normal.y, in.normal.z, in.normal.w);
    let pos3 = dehomogenize(position);
    let p4 = vec4<f32>(pos3.x, pos3.y, pos3.z, 1.0);
    var out: VertexOutput;
    out.world_position = pos3;
    out.world_normal = dehomogenize(normal);
    out.uv = in.uv;
    out.clip_position = mvp[0] * p4.x + mvp[1] * p4.y + mvp[2] * p4.z + mvp[3] * p4.w;
    out.card_index = 0.0;
    return out;
})wgsl";

}  // namespace zevra_gpu

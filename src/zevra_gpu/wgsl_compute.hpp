#pragma once
// The four WGSL compute shaders. Each compiles together with the preludes it
// uses (wgsl_preludes.hpp); every invocation works on element id.x and leaves
// without writing when its bounds guard fails.

#include <string_view>

namespace zevra_gpu {

// Fubini-Study distance of every position to one reference point, in
// radians in [0, pi/2]; 0 for a point whose norm is below 1e-15. The norms
// are taken in f32, so coordinates must stay below about 9e18 in magnitude:
// beyond, the squared norm overflows.
inline constexpr std::string_view wgsl_fs_distance_batch =
    R"wgsl(@group(0) @binding(0) var<storage, read> positions: array<HomVec4>;
@group(0) @binding(1) var<storage, read_write> distances: array<f32>;
@group(0) @binding(2) var<uniform> reference: HomVec4;

fn hom_dot(a: HomVec4, b: HomVec4) -> f32 {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

fn hom_norm(v: HomVec4) -> f32 {
    return sqrt(hom_dot(v, v));
}

@compute @workgroup_size(64)
fn fs_distance_batch(@builtin(global_invocation_id) id: vec3<u32>) {
    let i = id.x;
    if (i >= arrayLength(&positions)) {
        return;
    }
    let p = positions[i];
    let q = reference;
    let n1 = hom_norm(p);
    let n2 = hom_norm(q);
    if (n1 < 1e-15 || n2 < 1e-15) {
        distances[i] = 0.0;
        return;
    }
    let cos_theta = clamp(abs(hom_dot(p, q)) / (n1 * n2), 0.0, 1.0);
    distances[i] = acos(cos_theta);
})wgsl";

// The column-major product M * p for every input point, not normalised.
inline constexpr std::string_view wgsl_pgl_action_batch =
    R"wgsl(@group(0) @binding(0) var<storage, read> input_points: array<HomVec4>;
@group(0) @binding(1) var<storage, read_write> output_points: array<HomVec4>;
@group(0) @binding(2) var<uniform> transform: PGL4;

@compute @workgroup_size(64)
fn pgl_action_batch(@builtin(global_invocation_id) id: vec3<u32>) {
    let i = id.x;
    if (i >= arrayLength(&input_points)) {
        return;
    }
    let p = input_points[i];
    let m = transform.data;
    // m[c] is column c: row k of the result is m[0][k] * p.x + ... + m[3][k] * p.w.
    let r = m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3] * p.w;
    output_points[i] = HomVec4(r.x, r.y, r.z, r.w);
})wgsl";

// One classical RK4 step of the great-circle equation on the unit 3-sphere,
// dq/dt = v, dv/dt = -|v|^2 q. The result is not projected back.
inline constexpr std::string_view wgsl_geodesic_rk4_step =
    R"wgsl(@group(0) @binding(0) var<storage, read> states_in: array<GeodesicState>;
@group(0) @binding(1) var<storage, read_write> states_out: array<GeodesicState>;
@group(0) @binding(2) var<uniform> params: RK4Params;

struct RK4Params {
    dt: f32,
    _pad0: f32,
    _pad1: f32,
    _pad2: f32,
}

fn geodesic_rhs(s: GeodesicState) -> GeodesicState {
    let speed_sq = s.vx * s.vx + s.vy * s.vy + s.vz * s.vz + s.vw * s.vw;
    return GeodesicState(s.vx, s.vy, s.vz, s.vw,
                         -speed_sq * s.qx, -speed_sq * s.qy, -speed_sq * s.qz, -speed_sq * s.qw);
}

fn add_state(a: GeodesicState, b: GeodesicState) -> GeodesicState {
    return GeodesicState(a.qx + b.qx, a.qy + b.qy, a.qz + b.qz, a.qw + b.qw,
                         a.vx + b.vx, a.vy + b.vy, a.vz + b.vz, a.vw + b.vw);
}

fn scale_state(s: GeodesicState, k: f32) -> GeodesicState {
    return GeodesicState(s.qx * k, s.qy * k, s.qz * k, s.qw * k,
                         s.vx * k, s.vy * k, s.vz * k, s.vw * k);
}

@compute @workgroup_size(64)
fn geodesic_rk4_step(@builtin(global_invocation_id) id: vec3<u32>) {
    let i = id.x;
    if (i >= arrayLength(&states_in)) {
        return;
    }
    let y = states_in[i];
    let h = params.dt;
    let k1 = geodesic_rhs(y);
    let k2 = geodesic_rhs(add_state(y, scale_state(k1, 0.5 * h)));
    let k3 = geodesic_rhs(add_state(y, scale_state(k2, 0.5 * h)));
    let k4 = geodesic_rhs(add_state(y, scale_state(k3, h)));
    let combined = add_state(add_state(k1, scale_state(k2, 2.0)),
                             add_state(scale_state(k3, 2.0), k4));
    states_out[i] = add_state(y, scale_state(combined, h / 6.0));
})wgsl";

// One step of the idempotent refinement P <- 3 P^2 - 2 P^3, in place, on
// every complete 4x4 column-major matrix of the packed array.
inline constexpr std::string_view wgsl_idempotent_newton =
    R"wgsl(@group(0) @binding(0) var<storage, read_write> matrices: array<f32>;

fn mat_mul_get(a: array<f32, 16>, b: array<f32, 16>, i: u32, j: u32) -> f32 {
    var sum = 0.0;
    for (var k = 0u; k < 4u; k = k + 1u) {
        sum = sum + a[k * 4u + i] * b[j * 4u + k];
    }
    return sum;
}

@compute @workgroup_size(16)
fn idempotent_newton_step(@builtin(global_invocation_id) id: vec3<u32>) {
    let mat_idx = id.x;
    let base = mat_idx * 16u;
    if (base + 15u >= arrayLength(&matrices)) {
        return;
    }
    var p: array<f32, 16>;
    for (var i = 0u; i < 16u; i = i + 1u) {
        p[i] = matrices[base + i];
    }
    var p2: array<f32, 16>;
    for (var i = 0u; i < 4u; i = i + 1u) {
        for (var j = 0u; j < 4u; j = j + 1u) {
            p2[j * 4u + i] = mat_mul_get(p, p, i, j);
        }
    }
    var p3: array<f32, 16>;
    for (var i = 0u; i < 4u; i = i + 1u) {
        for (var j = 0u; j < 4u; j = j + 1u) {
            p3[j * 4u + i] = mat_mul_get(p2, p, i, j);
        }
    }
    for (var i = 0u; i < 16u; i = i + 1u) {
        matrices[base + i] = 3.0 * p2[i] - 2.0 * p3[i];
    }
})wgsl";

}  // namespace zevra_gpu

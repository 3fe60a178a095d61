#pragma once
// The WGSL structure preludes: the shader twins of the host records in
// records.hpp. The shader sources use them without declaring them.

#include <string_view>

namespace zevra_gpu {

// Twin of GpuHomVec4: 16 bytes, the stride of array<HomVec4>.
inline constexpr std::string_view wgsl_hom_vec4 = R"wgsl(struct HomVec4 {
    x: f32,
    y: f32,
    z: f32,
    w: f32,
})wgsl";

// Twin of GpuPGL4. The 16 f32 are held as four columns because the uniform
// address space needs a 16-byte array stride: data[c][r] is element
// (row r, column c), host index c * 4 + r, the same 64-byte image.
inline constexpr std::string_view wgsl_pgl4 = R"wgsl(struct PGL4 {
    data: array<vec4<f32>, 4>,
})wgsl";

// Twin of GpuGeodesicState: position q and velocity v, 32 bytes.
inline constexpr std::string_view wgsl_geodesic_state = R"wgsl(struct GeodesicState {
    qx: f32,
    qy: f32,
    qz: f32,
    qw: f32,
    vx: f32,
    vy: f32,
    vz: f32,
    vw: f32,
})wgsl";

}  // namespace zevra_gpu

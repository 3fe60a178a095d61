#pragma once
// The f32 records that cross into GPU buffers: byte-for-byte twins of the
// WGSL structures HomVec4, PGL4, GeodesicState and RK4Params. Plain
// little-endian f32 aggregates without hidden padding; a buffer of them is a
// contiguous array whose stride is the record size.

#include <array>
#include <cstddef>
#include <type_traits>

namespace zevra_gpu {

// A homogeneous point (x, y, z, w); 16 bytes, 16-byte aligned like vec4<f32>.
struct GpuHomVec4 {
  alignas(16) float x;
  float y;
  float z;
  float w;
};

// A 4x4 matrix, column-major: element (row r, column c) at data[c * 4 + r],
// the order of the kernel's PGL4. Also the model-view-projection uniform.
struct GpuPGL4 {
  alignas(16) std::array<float, 16> data;
};

// One lane of the geodesic integrator: position q on the unit 3-sphere and
// its tangent velocity v.
struct GpuGeodesicState {
  float qx;
  float qy;
  float qz;
  float qw;
  float vx;
  float vy;
  float vz;
  float vw;
};

// The integrator's uniform: the time step, padded to one 16-byte uniform
// granule. The padding is never read.
struct RK4Params {
  alignas(16) float dt;
  float _pad0;
  float _pad1;
  float _pad2;
};

// The layouts are an external interface: fix every size, alignment and offset.
template <typename T>
inline constexpr bool is_gpu_record_v =
    std::is_standard_layout_v<T>&& std::is_trivially_copyable_v<T> && sizeof(T) % 16 == 0;

static_assert(is_gpu_record_v<GpuHomVec4>);
static_assert(sizeof(GpuHomVec4) == 16 && alignof(GpuHomVec4) == 16);
static_assert(offsetof(GpuHomVec4, x) == 0 && offsetof(GpuHomVec4, y) == 4);
static_assert(offsetof(GpuHomVec4, z) == 8 && offsetof(GpuHomVec4, w) == 12);

static_assert(is_gpu_record_v<GpuPGL4>);
static_assert(sizeof(GpuPGL4) == 64 && alignof(GpuPGL4) == 16);
static_assert(offsetof(GpuPGL4, data) == 0 && sizeof(GpuPGL4::data) == 64);

static_assert(is_gpu_record_v<GpuGeodesicState>);
static_assert(sizeof(GpuGeodesicState) == 32 && alignof(GpuGeodesicState) == 4);
static_assert(offsetof(GpuGeodesicState, qx) == 0 && offsetof(GpuGeodesicState, qy) == 4);
static_assert(offsetof(GpuGeodesicState, qz) == 8 && offsetof(GpuGeodesicState, qw) == 12);
static_assert(offsetof(GpuGeodesicState, vx) == 16 && offsetof(GpuGeodesicState, vy) == 20);
static_assert(offsetof(GpuGeodesicState, vz) == 24 && offsetof(GpuGeodesicState, vw) == 28);

static_assert(is_gpu_record_v<RK4Params>);
static_assert(sizeof(RK4Params) == 16 && alignof(RK4Params) == 16);
static_assert(offsetof(RK4Params, dt) == 0 && offsetof(RK4Params, _pad0) == 4);
static_assert(offsetof(RK4Params, _pad1) == 8 && offsetof(RK4Params, _pad2) == 12);

}  // namespace zevra_gpu

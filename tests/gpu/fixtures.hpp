#pragma once
// What the fixture writers of gpu-fixtures share: the output folder, the f64
// value of what a shader reads, and the f64 references of its steps.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "zevra_gpu/records.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/pgl4.hpp"

namespace gpu_fixtures {

using zevra_gpu::GpuGeodesicState;
using zevra_gpu::GpuHomVec4;
using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;

// Into the output folder; a failure is remembered and ends the run with 1.
void writeFile(std::string_view name, const void* bytes, std::size_t size);
void writeText(std::string_view name, std::string_view text);
template <typename T>
void writeBuffer(std::string_view name, std::span<const T> items) {
  writeFile(name, items.data(), items.size_bytes());
}

// The f64 value of the f32 a shader actually reads.
HomVec4 asRead(GpuHomVec4 g);

// One f64 RK4 step of dq/dt = v, dv/dt = -|v|^2 q, grouped like the shader.
using State = std::array<double, 8>;
State rk4Step(const State& y, double h);

// The three remaining coordinates divided by the one of the kernel's best
// chart, in x, y, z, w order: what the vertex stage does in f32.
std::array<double, 3> chartCoordinates(HomVec4 p);

// The scene of the picture of S^3 (s3_view_scene.cpp).
void writeS3ViewScene();

}  // namespace gpu_fixtures

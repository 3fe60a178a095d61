#pragma once
// Conversions from the kernel's f64 values to the f32 GPU records: each
// component is narrowed with round-to-nearest-even, so values beyond the f32
// range become +-inf, values below its smallest subnormal +-0, NaN stays NaN.
// No normalisation, no dehomogenisation, no transposition.

#include <cstddef>
#include <span>

#include "zevra_gpu/records.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/pgl4.hpp"

namespace zevra_gpu {

constexpr GpuHomVec4 homVec4ToGpu(zevra_kernel::HomVec4 p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z),
          static_cast<float>(p.w)};
}

constexpr GpuPGL4 pgl4ToGpu(zevra_kernel::PGL4 m) {
  GpuPGL4 gpu{};
  for (std::size_t i = 0; i < gpu.data.size(); ++i) gpu.data[i] = static_cast<float>(m.data[i]);
  return gpu;
}

// Converts the common prefix of the two spans; the rest of `output` is left
// as it was. A length mismatch is not an error.
constexpr void batchToGpu(std::span<const zevra_kernel::HomVec4> points,
                          std::span<GpuHomVec4> output) {
  const std::size_t n = points.size() < output.size() ? points.size() : output.size();
  for (std::size_t i = 0; i < n; ++i) output[i] = homVec4ToGpu(points[i]);
}

}  // namespace zevra_gpu

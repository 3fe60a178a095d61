#pragma once
// The CPU twins, in f64, of the compute shaders fs_distance_batch and
// pgl_action_batch: the results those shaders are expected to give. Both
// work on the common prefix of caller-owned spans and leave the rest of the
// output untouched.

#include <cstddef>
#include <span>

#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/pgl4.hpp"
#include "zevra_kernel/simd_path.hpp"

namespace zevra_gpu {

// output[i] = fsDistance(positions[i], reference).
void cpuFSDistanceBatch(std::span<const zevra_kernel::HomVec4> positions,
                        zevra_kernel::HomVec4 reference, std::span<double> output);

// output[i] = m.apply(input[i]), bit for bit. A vector of points at a time,
// in the widest version this CPU runs (zevra_kernel/simd_path.hpp). Out of
// cache (detail::kStreamedFromBytes to kStreamedUpToBytes of images) the
// AVX-512 version writes past the caches, when input and output lie alike
// within 64-byte lines (as two arrays from one allocator usually do) and do
// not overlap.
void cpuPGLActionBatch(zevra_kernel::PGL4 m, std::span<const zevra_kernel::HomVec4> input,
                       std::span<zevra_kernel::HomVec4> output);

namespace detail {
// The sizes of the images the AVX-512 action batch streams, both included:
// from the size of a core's second-level cache on current processors, up to
// where streaming stopped paying where it was measured (bench/notes.md).
inline constexpr std::size_t kStreamedFromBytes = std::size_t{1} << 20;
inline constexpr std::size_t kStreamedUpToBytes = std::size_t{128} << 20;

// cpuPGLActionBatch in the version for `path`, which must run here
// (simdPathRuns): for tests and benchmarks.
void cpuPGLActionBatchOn(zevra_kernel::SimdPath path, const zevra_kernel::PGL4& m,
                         std::span<const zevra_kernel::HomVec4> input,
                         std::span<zevra_kernel::HomVec4> output);
}  // namespace detail

}  // namespace zevra_gpu

#include "zevra_gpu/cpu_batches.hpp"

#include <algorithm>

#include "zevra_kernel/metric.hpp"

namespace zevra_gpu {

void cpuFSDistanceBatch(std::span<const zevra_kernel::HomVec4> positions,
                        zevra_kernel::HomVec4 reference, std::span<double> output) {
  zevra_kernel::fsDistanceBatch(positions, reference, output);
}

void cpuPGLActionBatch(zevra_kernel::PGL4 m, std::span<const zevra_kernel::HomVec4> input,
                       std::span<zevra_kernel::HomVec4> output) {
  const std::size_t n = std::min(input.size(), output.size());
  for (std::size_t i = 0; i < n; ++i) output[i] = m.apply(input[i]);
}

}  // namespace zevra_gpu

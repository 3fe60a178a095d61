#pragma once
// The instruction sets the batch kernels come in, and which of them this CPU
// runs. The batches ask on first use rather than at load time, so that
// start-up runs no CPU detection (cpuid traps to the hypervisor on virtual
// machines). Every path gives the same bits: none uses fused multiply-adds.
// Only x86-64 has more than the baseline; elsewhere the baseline is the
// generic code, which the compiler maps onto the target's own vectors (or
// none).

#include <array>
#include <cstdint>

namespace zevra_kernel {

enum class SimdPath : std::uint8_t {
  baseline,  // two f64 lanes: SSE2 on x86-64, whatever the target has elsewhere
  avx2,      // four lanes
  avx512,    // AVX-512 F: eight lanes
};

inline constexpr std::array<SimdPath, 3> all_simd_paths{SimdPath::baseline, SimdPath::avx2,
                                                        SimdPath::avx512};

// The widest path that this CPU and its operating system support, found on
// the first call and remembered (baseline on other targets).
SimdPath bestSimdPath();

// Whether `path` runs here; every path up to the best one does.
inline bool simdPathRuns(SimdPath path) { return path <= bestSimdPath(); }

}  // namespace zevra_kernel

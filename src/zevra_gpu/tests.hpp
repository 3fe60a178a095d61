#pragma once
// The tests zevra_gpu registers, in source order.

#include <array>

#include "harness/testing.hpp"

namespace zevra_gpu::test {

inline constexpr std::array<zevra_harness::TestFn, 0> tests{};

}  // namespace zevra_gpu::test

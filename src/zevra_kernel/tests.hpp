#pragma once
// The tests zevra_kernel registers, in source order.

#include <array>

#include "harness/testing.hpp"

namespace zevra_kernel::test {

inline constexpr std::array<zevra_harness::TestFn, 0> tests{};

}  // namespace zevra_kernel::test

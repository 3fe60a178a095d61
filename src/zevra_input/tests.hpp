#pragma once
// The tests zevra_input registers, in source order.

#include <array>

#include "harness/testing.hpp"

namespace zevra_input::test {

inline constexpr std::array<zevra_harness::TestFn, 0> tests{};

}  // namespace zevra_input::test

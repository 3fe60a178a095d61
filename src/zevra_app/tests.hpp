#pragma once
// The tests zevra_app registers, in source order.

#include <array>

#include "harness/testing.hpp"

namespace zevra_app::test {

inline constexpr std::array<zevra_harness::TestFn, 0> tests{};

}  // namespace zevra_app::test

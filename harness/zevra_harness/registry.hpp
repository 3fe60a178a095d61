#pragma once
// The registry: an ordered, read-only list of tests fixed at build time.
// Modules publish an array of their tests, written without a count:
//   inline constexpr auto tests = std::to_array<zevra_harness::TestFn>({...});
// and an executable joins them in run order with `joinTests`.

#include <array>
#include <cstddef>
#include <span>

#include "zevra_harness/testing.hpp"

namespace zevra_harness {

using Registry = std::span<const TestFn>;

template <std::size_t... N>
consteval std::array<TestFn, (N + ... + 0)> joinTests(const std::array<TestFn, N>&... parts) {
  std::array<TestFn, (N + ... + 0)> all{};
  std::size_t at = 0;
  (
      (void)[&] {
        for (const TestFn& t : parts) all[at++] = t;
      }(),
      ...);
  return all;
}

}  // namespace zevra_harness

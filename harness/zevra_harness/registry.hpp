#pragma once
// The registry: an ordered, read-only list of tests fixed at build time, in
// which no two tests share a name. A list the compiler can see is checked
// when the program is built:
//   constexpr auto tests = zevra_harness::testList({
//       {"app.test.adds", &adds},
//       {"app.test.sorts", [] { return zevra_harness::expect(true); }},
//   });
// and lists are joined in run order with `joinTests`, which checks the whole.
// Two tests of one name stop the build in `testNameRegisteredTwice`; a
// registry assembled otherwise is checked when the program starts (runMain).

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "zevra_harness/testing.hpp"

namespace zevra_harness {

using Registry = std::span<const TestFn>;

namespace detail {

void testNameRegisteredTwice();  // never defined: reached, a build-time error

// A compiler that shows the arguments of the failing call shows the name.
constexpr void refuseName(std::string_view duplicate_name, bool registered_twice) {
  (void)duplicate_name;
  if (registered_twice) testNameRegisteredTwice();
}

template <std::size_t N>
consteval void refuseDuplicateNames(const std::array<TestFn, N>& tests) {
  std::array<std::string_view, N> names{};
  for (std::size_t i = 0; i < N; ++i) names[i] = tests[i].name;
  std::sort(names.begin(), names.end());
  for (std::size_t i = 1; i < N; ++i) refuseName(names[i], names[i] == names[i - 1]);
}

}  // namespace detail

// The tests in the order given, written without a count.
template <std::size_t N>
consteval std::array<TestFn, N> testList(const TestFn (&tests)[N]) {
  std::array<TestFn, N> list{};
  for (std::size_t i = 0; i < N; ++i) list[i] = tests[i];
  detail::refuseDuplicateNames(list);
  return list;
}

template <std::size_t... N>
consteval std::array<TestFn, (N + ... + 0)> joinTests(const std::array<TestFn, N>&... parts) {
  std::array<TestFn, (N + ... + 0)> all{};
  std::size_t at = 0;
  (
      (void)[&] {
        for (const TestFn& t : parts) all[at++] = t;
      }(),
      ...);
  detail::refuseDuplicateNames(all);
  return all;
}

}  // namespace zevra_harness

#pragma once
// What a test sees of the harness: the test record, the assertion
// primitives (expect, expectApproxEqAbs, and expectEqual of "equal.hpp"),
// and the services of the run (the checking allocator of the
// current test, the seed, the log threshold, the fuzz-test flag). The log
// sink itself is "zevra_harness/log.hpp".

#include <cmath>
#include <cstdint>
#include <source_location>
#include <string_view>
#include <type_traits>

#include "zevra_harness/equal.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/status.hpp"
#include "zevra_harness/test_allocator.hpp"

namespace zevra_harness {

// One registered test: full name ("module.test.Own name") and function.
struct TestFn {
  std::string_view name;
  Status (*func)();
};

// Success if `ok`; otherwise TestUnexpectedResult. Prints nothing.
[[nodiscard]] inline Status expect(bool ok,
                                   std::source_location loc = std::source_location::current()) {
  if (ok) [[likely]]
    return {};
  return fail(TestUnexpectedResult, loc);
}

// IEEE-equal values always match (+0/-0, equal infinities); a NaN never does;
// otherwise |expected - actual| <= tolerance in the operands' precision.
template <typename F>
[[nodiscard]] constexpr bool approxEqAbs(F expected, F actual, F tolerance) {
  if (expected == actual) return true;
  if (std::isnan(expected) || std::isnan(actual)) return false;
  return std::fabs(expected - actual) <= tolerance;
}

namespace detail {
void reportApproxMismatch(double expected, double actual, double tolerance);
void reportApproxMismatch(float expected, float actual, float tolerance);
}  // namespace detail

// Success if approxEqAbs holds; otherwise prints
// "actual {}, not within absolute tolerance {} of expected {}" and fails with
// TestExpectedApproxEqAbs. The type is that of `expected` (the computed
// value): f64 or f32, never widened.
template <typename F>
requires std::is_same_v<F, double> || std::is_same_v<F, float>
[[nodiscard]] Status expectApproxEqAbs(F expected, std::type_identity_t<F> actual,
                                       std::type_identity_t<F> tolerance,
                                       std::source_location loc = std::source_location::current()) {
  if (approxEqAbs<F>(expected, actual, tolerance)) [[likely]]
    return {};
  detail::reportApproxMismatch(expected, actual, tolerance);
  return fail(TestExpectedApproxEqAbs, loc);
}

// The checking allocator of the current test (fresh before every test; what
// it still holds when the test ends is reported as a leak). Its typed face
// and how it fails: "zevra_harness/test_allocator.hpp".
TestAllocator& allocator();

// The seed given with --seed= (0 by default).
std::uint32_t randomSeed();

// The log sink's threshold (warn by default). Terminal mode sets it back to
// warn before every test; protocol mode keeps what a test set.
Level logLevel();
void setLogLevel(Level level);

// Declares the running test a fuzz test (counted in the summary).
void declareFuzzTest();

}  // namespace zevra_harness

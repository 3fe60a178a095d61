#pragma once
// Outcome of a test or of a harness operation: success, or a named error
// passed back up the call chain. Tests skip by returning `skip()`.

#include <source_location>
#include <string_view>

#include "zevra/expected.hpp"

namespace zevra_harness {

// An error is identified by its name (an identifier such as "OutOfMemory").
struct Error {
  std::string_view name;
  friend constexpr bool operator==(Error, Error) = default;
};

inline constexpr Error TestUnexpectedResult{"TestUnexpectedResult"};
inline constexpr Error TestExpectedApproxEqAbs{"TestExpectedApproxEqAbs"};
inline constexpr Error TestExpectedEqual{"TestExpectedEqual"};
// The test threw; the harness caught it in the call of the test.
inline constexpr Error TestUnexpectedException{"TestUnexpectedException"};
inline constexpr Error OutOfMemory{"OutOfMemory"};
// An alignment that is not a power of two, asked of the test's allocator.
inline constexpr Error BadAlignment{"BadAlignment"};
inline constexpr Error Skip{"SkipTest"};

using Status = std::expected<void, Error>;

namespace detail {
// The failure trace of the running test: where an error was raised and each
// place that passed it back.
void traceRaise(std::source_location loc);
void tracePassBack(std::source_location loc);
}  // namespace detail

// Raises `e` (recording where) and returns it as a failed status.
[[nodiscard]] inline std::unexpected<Error> fail(
    Error e, std::source_location loc = std::source_location::current()) {
  detail::traceRaise(loc);
  return std::unexpected(e);
}

// A skipped test is not applicable here; it never counts as a failure.
[[nodiscard]] inline std::unexpected<Error> skip() { return std::unexpected(Skip); }

}  // namespace zevra_harness

// Returns the error of `expr` (a Status or std::expected) at once, adding this
// place to the failure trace.
#define ZEVRA_TRY(expr)                                                        \
  do {                                                                         \
    if (auto zevra_try_result_ = (expr); !zevra_try_result_) [[unlikely]] {    \
      ::zevra_harness::detail::tracePassBack(std::source_location::current()); \
      return std::unexpected(zevra_try_result_.error());                       \
    }                                                                          \
  } while (false)

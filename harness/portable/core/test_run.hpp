#pragma once
// One run of one registered test, as a value. Both front ends run every test
// through runOne, so that the per-test services (a fresh checking allocator,
// the resets, the timing, the leak check) exist once; what differs between
// them is a RunPolicy and what their Reporter prints.

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "zevra_harness/status.hpp"
#include "zevra_harness/testing.hpp"

namespace zevra_harness::detail {

struct TestRun {
  enum class Outcome : std::uint8_t { success, skip, failure };
  Outcome outcome = Outcome::success;
  Error error{};                  // the failure's error; no name otherwise
  bool leaked = false;            // the checking allocator still held memory at the end
  std::size_t log_err_count = 0;  // error-level messages during the test, leak reports included
  bool fuzz = false;              // the test declared itself a fuzz test
  std::chrono::nanoseconds duration{};  // of the call alone, when the policy times it
};

// What the front ends reset differently before each test.
struct RunPolicy {
  bool reset_log_level;        // set the threshold back to warn
  bool count_errors_per_test;  // start log_err_count at 0 instead of counting over the run
  // Read the monotonic clock around the call. Neither front end reports
  // durations, and the clock's first reading faults in two pages of the
  // kernel's vDSO, a cost of the self-test's start-up.
  bool time_the_call = false;
};
// Terminal mode: a test's change of the threshold ends with it; the error
// count is the run's, for the summary and the exit status.
inline constexpr RunPolicy kTerminalPolicy{.reset_log_level = true, .count_errors_per_test = false};
// Protocol mode: the error count is per test (it goes out in the result
// word); the threshold is what the tests leave it at.
inline constexpr RunPolicy kProtocolPolicy{.reset_log_level = false, .count_errors_per_test = true};

// A front end's output around the call.
class Reporter {
 public:
  // After the resets, just before the call.
  virtual void testStarts() {}
  // The test returned `status`. Its failure trace can still be printed, and
  // the allocator's leak reports follow whatever is printed here.
  virtual void testReturned(const Status& status) = 0;

 protected:
  ~Reporter() = default;
};

// A fresh checking allocator, the policy's resets and a cleared fuzz flag;
// the call, timed when the policy asks; the reporter's outcome; the failure
// trace cleared; the allocator ended and checked for leaks.
TestRun runOne(const TestFn& test, const RunPolicy& policy, Reporter& reporter);

}  // namespace zevra_harness::detail

#pragma once
// The process-wide state of a test executable, owned in one place: what the
// runner resets around each test (see test_run.hpp) and what the tests reach
// through "zevra_harness/testing.hpp" and the log sink (the checking
// allocator lives with the allocator, allocator_instance.hpp). Tests run one at a
// time on the main thread, which alone touches the plain fields.

#include <cstddef>
#include <cstdint>

#include "harness/portable/core/failure_trace.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness::detail {

struct Session {
  // The log sink's threshold, and its count of error-level messages
  // (saturating): over the whole run or per test, as the RunPolicy says.
  Level log_level = Level::warn;
  std::size_t log_err_count = 0;
  // Set once from the command line; tests may read it.
  std::uint32_t random_seed = 0;
  // A test sets it to declare itself a fuzz test; cleared before each test.
  bool is_fuzz_test = false;
  FailureTrace failure_trace;

  void countLoggedError();
};

Session& session();

}  // namespace zevra_harness::detail

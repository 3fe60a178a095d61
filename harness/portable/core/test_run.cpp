#include "harness/portable/core/test_run.hpp"

#include "harness/portable/allocator/allocator_instance.hpp"
#include "harness/portable/core/call_test.hpp"
#include "harness/portable/core/session.hpp"

namespace zevra_harness::detail {

TestRun runOne(const TestFn& test, const RunPolicy& policy, Reporter& reporter) {
  Session& s = session();
  allocatorInstance().reset();
  if (policy.reset_log_level) s.log_level = Level::warn;
  if (policy.count_errors_per_test) s.log_err_count = 0;
  const std::size_t errors_before = s.log_err_count;
  reporter.testStarts();

  s.is_fuzz_test = false;
  using Clock = std::chrono::steady_clock;
  const auto start = policy.time_the_call ? Clock::now() : Clock::time_point{};
  const Status status = callTest(test);
  TestRun run;
  if (policy.time_the_call) run.duration = Clock::now() - start;
  run.fuzz = s.is_fuzz_test;
  if (!status) {
    run.outcome = status.error() == Skip ? TestRun::Outcome::skip : TestRun::Outcome::failure;
    if (run.outcome == TestRun::Outcome::failure) run.error = status.error();
  }

  reporter.testReturned(status);
  s.failure_trace.clear();
  // The leak reports are error-level messages: count after them.
  run.leaked = allocatorInstance().deinit() == DebugAllocator::Check::leak;
  run.log_err_count = s.log_err_count - errors_before;
  return run;
}

}  // namespace zevra_harness::detail

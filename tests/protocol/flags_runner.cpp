// A runner whose tests end in every way a result word can report: pass,
// skip, fail, leak, logged errors and a saturated error count.
#include <array>
#include <cstddef>
#include <limits>

#include "harness/portable/core/session.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::Level;
using zevra_harness::Status;

Status passes() { return {}; }
Status skips() { return zevra_harness::skip(); }
Status fails() { return zevra_harness::expect(false); }
Status passesQuietly() { return zevra_harness::expect(true); }

Status leaksOneAllocation() {
  (void)zevra_harness::allocator().allocate(24, 8);
  return {};
}

Status failsAfterLoggingTwoErrors() {
  zevra_harness::log(Level::err, "test", "first of {}", 2);
  zevra_harness::log(Level::err, "test", "second of {}", 2);
  ZEVRA_TRY(zevra_harness::expect(1 + 1 == 3));
  return {};
}

// Starts just below the largest count, so that the 28-bit field saturates.
Status logsMoreErrorsThanTheFlagsHold() {
  zevra_harness::detail::session().log_err_count = std::numeric_limits<std::size_t>::max() - 1;
  zevra_harness::log(Level::err, "test", "one more");
  zevra_harness::log(Level::err, "test", "and another");
  return {};
}

constexpr auto flags_tests = std::to_array<zevra_harness::TestFn>({
    {"protocol.test.passes", &passes},
    {"protocol.test.skips → SKIP", &skips},
    {"protocol.test.fails", &fails},
    {"protocol.test.passes quietly", &passesQuietly},
    {"protocol.test.leaks one allocation", &leaksOneAllocation},
    {"protocol.test.fails after logging two errors", &failsAfterLoggingTwoErrors},
    {"protocol.test.logs more errors than the flags hold", &logsMoreErrorsThanTheFlagsHold},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(flags_tests, argc, argv); }

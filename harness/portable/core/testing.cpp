#include "zevra_harness/testing.hpp"

#include "harness/portable/allocator/allocator_instance.hpp"
#include "harness/portable/core/session.hpp"

namespace zevra_harness::detail {

void reportApproxMismatch(double expected, double actual, double tolerance) {
  print("actual {}, not within absolute tolerance {} of expected {}\n", actual, tolerance,
        expected);
}

void reportApproxMismatch(float expected, float actual, float tolerance) {
  print("actual {}, not within absolute tolerance {} of expected {}\n", actual, tolerance,
        expected);
}

}  // namespace zevra_harness::detail

namespace zevra_harness {

using detail::session;

TestAllocator& allocator() { return detail::allocatorInstance(); }
std::uint32_t randomSeed() { return session().random_seed; }
Level logLevel() { return session().log_level; }
void setLogLevel(Level level) { session().log_level = level; }
void declareFuzzTest() { session().is_fuzz_test = true; }

}  // namespace zevra_harness

// A runner whose tests pass, skip, fail in each assertion primitive, fail on
// their allocator's errors and log, so that the terminal output can be
// compared byte for byte (and, over the protocol, the result words).
#include <sys/resource.h>

#include <array>
#include <cstdio>

#include "zevra_harness/log.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {

using zevra_harness::Status;

Status passes() { return zevra_harness::expect(1 + 1 == 2); }

Status skips() { return zevra_harness::skip(); }

Status failsExpect() {
  ZEVRA_TRY(zevra_harness::expect(true));
  ZEVRA_TRY(zevra_harness::expect(false));
  return {};
}

// The error is raised here and passed back through the test.
Status checkHalf(double v) { return zevra_harness::expectApproxEqAbs(1.0, v, 1e-6); }

Status failsApprox() {
  ZEVRA_TRY(checkHalf(1.0 + 1e-7));
  ZEVRA_TRY(checkHalf(1.5));
  return {};
}

Status failsF32() { return zevra_harness::expectApproxEqAbs(0.1f, 0.2f, 0.0f); }

Status failsNan() {
  double nan = __builtin_nan("");
  return zevra_harness::expectApproxEqAbs(nan, nan, 1e-6);
}

// While it lives, the process may map 64 MiB more than it has mapped now.
class AddressSpaceLimit {
 public:
  AddressSpaceLimit() {
    unsigned long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    (void)getrlimit(RLIMIT_AS, &saved_);
    rlimit tight = saved_;
    tight.rlim_cur = pages * 4096 + (rlim_t{64} << 20);
    (void)setrlimit(RLIMIT_AS, &tight);
  }
  ~AddressSpaceLimit() { (void)setrlimit(RLIMIT_AS, &saved_); }

 private:
  rlimit saved_{};
};

// 1 GiB is more than the process may map: the test ends with OutOfMemory.
Status asksForMoreMemoryThanThereIs() {
  AddressSpaceLimit limit;
  auto p = zevra_harness::allocator().alloc(std::size_t{1} << 30, 8);
  ZEVRA_TRY(p);
  zevra_harness::allocator().free(*p, std::size_t{1} << 30, 8);
  return {};
}

Status asksForABadAlignment() {
  ZEVRA_TRY(zevra_harness::allocator().alloc(16, 24));
  return {};
}

Status logs() {
  using zevra_harness::Level;
  zevra_harness::log(Level::err, "test", "an error {}", 1u);
  zevra_harness::log(Level::warn, "test", "a warning");
  zevra_harness::log(Level::info, "test", "dropped");
  zevra_harness::log(Level::debug, "test", "dropped");
  return {};
}

Status outOfMemory() { return zevra_harness::fail(zevra_harness::OutOfMemory); }

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"outcomes.test.passes", &passes},
    {"outcomes.test.skips", &skips},
    {"outcomes.test.fails in expect", &failsExpect},
    {"outcomes.test.fails in expectApproxEqAbs → f64", &failsApprox},
    {"outcomes.test.fails in expectApproxEqAbs (f32)", &failsF32},
    {"outcomes.test.NaN never matches", &failsNan},
    {"outcomes.test.asks for more memory than there is", &asksForMoreMemoryThanThereIs},
    {"outcomes.test.asks for an alignment of 24", &asksForABadAlignment},
    {"outcomes.test.logs at every level", &logs},
    {"outcomes.test.passes on an operation's error", &outOfMemory},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

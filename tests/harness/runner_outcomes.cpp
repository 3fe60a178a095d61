// A runner whose tests pass, skip, fail in each assertion primitive, fail on
// their allocator's errors, log and throw, so that the terminal output can be
// compared byte for byte (and, over the protocol, the result words).
#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "tests/harness/throwing_tests.hpp"
#include "zevra_gpu/selftests/printers.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"
#include "zevra_input/selftests/printers.hpp"
#include "zevra_kernel/selftests/printers.hpp"

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

using zevra_harness::expectEqual;

// Integers by value whatever their types, floats of one type exactly.
Status failsExpectEqualOnNumbers() {
  ZEVRA_TRY(expectEqual(2 + 2, std::size_t{4}));
  ZEVRA_TRY(expectEqual(-1, 4294967295u));
  return {};
}
Status failsExpectEqualOnFloats() {
  ZEVRA_TRY(expectEqual(-0.0, 0.0));
  ZEVRA_TRY(expectEqual(0.1f + 0.2f, 0.3f));
  return expectEqual(0.1 + 0.2, 0.3);
}

// Texts of every kind by their bytes, quoted, with what is not printable
// escaped.
Status failsExpectEqualOnTexts() {
  const std::string built = std::string("S³") + " → " + "Π";
  ZEVRA_TRY(expectEqual(built, "S³ → Π"));
  ZEVRA_TRY(expectEqual(std::string_view(built).substr(0, 3), "S³"));
  return expectEqual(std::string_view("tab\t \"quoted\" \\ \xff\n"), built.c_str());
}

enum class Lane : unsigned char { x = 0, y = 1, z = 2, w = 3 };

// A type of the test's own, printed by its hook.
struct Cell {
  int row, column;
  friend bool operator==(const Cell&, const Cell&) = default;
};
void printValue(zevra_harness::TextSink& out, const Cell& c) {
  out.print("Cell({}, {})", c.row, c.column);
}

Status failsExpectEqualOnAnEnumeration() { return expectEqual(Lane::w, Lane::x); }
Status failsExpectEqualOnCharacters() {
  ZEVRA_TRY(expectEqual('a', 'a'));
  return expectEqual('\n', 'n');
}
Status failsExpectEqualOnATypeWithAHook() {
  ZEVRA_TRY(expectEqual(Cell{1, 2}, Cell{1, 2}));
  return expectEqual(Cell{3, 4}, Cell{4, 3});
}

// The engine's values through the printers of its test support, in messages and
// in expectEqual.
Status printsTheEnginesValues() {
  using zevra_kernel::AffineCard;
  zevra_harness::print("{} {} {}\n", zevra_kernel::HomVec4::init(1, -0.5, 3, 0), AffineCard::UY,
                       zevra_kernel::PGL4::identity());
  zevra_harness::print("{} {} {} {}\n", zevra_gpu::GpuHomVec4{0.1f, 2, 3, 1},
                       zevra_gpu::GpuGeodesicState{0, 0, 0, 1, 1, 0, 0, 0},
                       zevra_gpu::RK4Params{.dt = 0.01f, ._pad0 = 0, ._pad1 = 0, ._pad2 = 0},
                       zevra_gpu::ComputePipelineKind::geodesic_rk4_step);
  zevra_harness::print("{} {} {} {}\n", zevra_input::KeyAction::repeat,
                       zevra_input::MouseButton::middle, zevra_input::KeyMods{},
                       zevra_input::KeyMods{.shift = true, .alt = true});
  return expectEqual(zevra_kernel::HomVec4::init(0, 0, 7, 1).pickBestCard(), AffineCard::UW);
}

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
    {"outcomes.test.fails in expectEqual on integers", &failsExpectEqualOnNumbers},
    {"outcomes.test.fails in expectEqual on floats", &failsExpectEqualOnFloats},
    {"outcomes.test.fails in expectEqual on texts", &failsExpectEqualOnTexts},
    {"outcomes.test.fails in expectEqual on an enumeration", &failsExpectEqualOnAnEnumeration},
    {"outcomes.test.fails in expectEqual on characters", &failsExpectEqualOnCharacters},
    {"outcomes.test.fails in expectEqual on a type with a printing hook",
     &failsExpectEqualOnATypeWithAHook},
    {"outcomes.test.throws from the standard library", &outcomes::throwsFromTheLibrary},
    {"outcomes.test.throws a std::runtime_error", &outcomes::throwsAnError},
    {"outcomes.test.throws an int", &outcomes::throwsAnInt},
    {"outcomes.test.passes after the throws", &passes},
    {"outcomes.test.prints the engine's values, then fails on one", &printsTheEnginesValues},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

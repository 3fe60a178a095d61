// A registry the compiler can see: with TWICE, one name twice, which must
// stop the build; without, it builds.
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {
zevra_harness::Status passes() { return {}; }
constexpr auto first = zevra_harness::testList({{"app.test.frames", &passes}});
#if defined(TWICE)
constexpr auto second = zevra_harness::testList({{"app.test.frames", &passes}});
#else
constexpr auto second = zevra_harness::testList({{"app.test.other frames", &passes}});
#endif
constexpr auto tests = zevra_harness::joinTests(first, second);
}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

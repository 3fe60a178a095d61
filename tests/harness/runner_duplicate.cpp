// A registry the compiler does not check (std::to_array, not testList), with
// one name twice: the runner does not start, in either mode.
#include <array>

#include "zevra_harness/main.hpp"

namespace {
using zevra_harness::Status;
Status passes() { return {}; }
constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"duplicate.test.first", &passes},
    {"duplicate.test.S³ twice", &passes},
    {"duplicate.test.other", &passes},
    {"duplicate.test.S³ twice", &passes},
});
}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

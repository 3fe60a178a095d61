// A registry assembled where the compiler cannot check it (std::to_array),
// with one name twice: the program does not start.
#include <array>

#include "zevra_harness/main.hpp"

namespace {
using zevra_harness::Status;
Status passes() { return {}; }
constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"app.test.frames", &passes},
    {"app.test.frames", &passes},
});
}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

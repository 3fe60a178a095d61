// Passing tests around one skip: a skip never fails the run.
#include <array>

#include "zevra_harness/main.hpp"
#include "zevra_harness/print.hpp"

namespace {
using zevra_harness::Status;
Status passes() { return {}; }
Status skips() { return zevra_harness::skip(); }
// Shows the seed given on the command line.
Status showsSeed() {
  zevra_harness::print("seed {} ", zevra_harness::randomSeed());
  return {};
}
constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"skip.test.seed", &showsSeed},
    {"skip.test.not applicable", &skips},
    {"skip.test.passes", &passes},
});
}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

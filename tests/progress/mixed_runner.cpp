// A runner whose tests cover each outcome the terminal front end prints
// (pass, skip, failure with a message) and names that need escaping on the
// progress channel (a tab, a backslash, non-ASCII text).
#include <array>

#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::Status;

Status passes() { return {}; }
Status skips() { return zevra_harness::skip(); }
Status failsApprox() {
  ZEVRA_TRY(zevra_harness::expectApproxEqAbs(1.0, 1.5, 1e-6));
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"progress.test.passes → S³", &passes},
    {"progress.test.skips\tafter a tab", &skips},
    {"progress.test.fails C:\\path", &failsApprox},
    {"progress.test.passes again", &passes},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

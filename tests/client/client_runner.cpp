// A runner whose tests end in every way zevra-test reports, among them a
// crash and a hang with passing tests after each, and names that need
// escaping in XML and quoting in CMake.
#include <unistd.h>

#include <array>

#include "zevra_harness/log.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::Status;

Status passes() { return {}; }
Status skips() { return zevra_harness::skip(); }
Status fails() { return zevra_harness::expect(1 + 1 == 3); }

Status leaks() {
  (void)zevra_harness::allocator().allocate(24, 8);
  return {};
}

Status logsAnError() {
  // With bytes that XML cannot hold: a malformed sequence and an escape.
  zevra_harness::log(zevra_harness::Level::err, "test", "something went wrong \xff\x1b[0m");
  return {};
}

// The undefined-behaviour checker would stop this before the hardware does.
__attribute__((no_sanitize("undefined"))) Status dereferencesNull() {
  *static_cast<volatile int*>(nullptr) = 1;
  return {};
}

Status hangs() {
  for (;;) ::pause();
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"client.test.passes", &passes},
    {"client.test.skips", &skips},
    {"client.test.fails", &fails},
    {"client.test.leaks", &leaks},
    {"client.test.logs an error", &logsAnError},
    {"client.test.dereferences null", &dereferencesNull},
    {"client.test.passes after the crash: \"quotes\" & <angles> → Π ≈ ε", &passes},
    {"client.test.hangs", &hangs},
    {"client.test.passes after the hang; ${x} \\ ]=] ]] [brackets]", &passes},
    {"client.test.passes with a \x01 control character", &passes},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

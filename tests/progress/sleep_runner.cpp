// A runner with one test that outlasts the display's first drawing (due at 200 ms) by a margin for
// loaded machines; built twice: passing, and failing after the sleep (PROGRESS_SLEEP_FAILS).
#include <array>
#include <chrono>
#include <thread>

#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

zevra_harness::Status sleepsPastFirstDrawing() {
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
#ifdef PROGRESS_SLEEP_FAILS
  ZEVRA_TRY(zevra_harness::expect(false));
#endif
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"progress.test.sleeps past the first drawing → S³", &sleepsPastFirstDrawing},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

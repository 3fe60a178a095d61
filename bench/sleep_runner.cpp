// Eight tests that each sleep 50 ms: what zevra-test's --jobs can overlap.
#include <array>
#include <chrono>
#include <thread>

#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

zevra_harness::Status sleeps() {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"sleep.test.1", &sleeps},
    {"sleep.test.2", &sleeps},
    {"sleep.test.3", &sleeps},
    {"sleep.test.4", &sleeps},
    {"sleep.test.5", &sleeps},
    {"sleep.test.6", &sleeps},
    {"sleep.test.7", &sleeps},
    {"sleep.test.8", &sleeps},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

// A runner with no tests at all.
#include <array>

#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {
constexpr std::array<zevra_harness::TestFn, 0> no_tests{};
}

int main(int argc, char** argv) { return zevra_harness::runMain(no_tests, argc, argv); }

// A runner with no tests at all.
#include <array>

#include "zevra_harness/main.hpp"

int main(int argc, char** argv) {
  static constexpr std::array<zevra_harness::TestFn, 0> none{};
  return zevra_harness::runMain(none, argc, argv);
}

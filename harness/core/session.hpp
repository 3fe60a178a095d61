#pragma once
// The runner's process-wide services that tests and both front ends share.

#include <cstdint>

namespace zevra_harness {

void setRandomSeed(std::uint32_t seed);

// A test sets this to declare itself a fuzz test; cleared before every test.
bool isFuzzTest();
void setFuzzTest(bool on);

}  // namespace zevra_harness

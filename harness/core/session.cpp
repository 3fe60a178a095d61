#include "harness/core/session.hpp"

#include <cstddef>
#include <limits>

#include "harness/allocator/debug_allocator.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/testing.hpp"

namespace zevra_harness {
namespace {
constinit Level log_level = Level::warn;
constinit std::size_t log_err_count = 0;
constinit std::uint32_t random_seed = 0;
constinit bool is_fuzz_test = false;
}  // namespace

Level logLevel() { return log_level; }
void setLogLevel(Level l) { log_level = l; }
std::size_t logErrCount() { return log_err_count; }
void setLogErrCount(std::size_t n) { log_err_count = n; }
void countLoggedError() {
  if (log_err_count != std::numeric_limits<std::size_t>::max()) ++log_err_count;
}

std::uint32_t randomSeed() { return random_seed; }
void setRandomSeed(std::uint32_t seed) { random_seed = seed; }
bool isFuzzTest() { return is_fuzz_test; }
void setFuzzTest(bool on) { is_fuzz_test = on; }

std::pmr::memory_resource& allocator() { return allocatorInstance(); }

}  // namespace zevra_harness

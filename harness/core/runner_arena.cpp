#include "harness/core/runner_arena.hpp"

namespace zevra_harness {
namespace {

alignas(16) constinit std::byte fba_buffer[kRunnerArenaBytes];
constinit Arena fba{fba_buffer};

}  // namespace

Arena& runnerArena() { return fba; }

}  // namespace zevra_harness

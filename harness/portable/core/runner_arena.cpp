#include "harness/portable/core/runner_arena.hpp"

namespace zevra_harness::detail {
namespace {

// After all other zero-initialised data, like the signal stacks: a terminal
// run without arguments never touches it, and in the middle of .bss its two
// pages would push apart the variables every start-up touches.
[[gnu::section(".lbss.zevra_runner_arena")]] alignas(16) constinit std::byte
    fba_buffer[kRunnerArenaBytes];
constinit Arena fba{fba_buffer};

}  // namespace

Arena& runnerArena() { return fba; }

}  // namespace zevra_harness::detail

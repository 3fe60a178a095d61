#pragma once
// The runner's static 8192-byte arena: argument copies while parsing, then
// (in protocol mode) the receive queue.

#include "harness/portable/core/arena.hpp"

namespace zevra_harness::detail {

inline constexpr std::size_t kRunnerArenaBytes = 8192;
Arena& runnerArena();

}  // namespace zevra_harness::detail

#pragma once
// The call chain under which the allocator benchmarks allocate: the leaf runs
// below `chain_depth` frames of a function that keeps a frame pointer and is
// never inlined or tail-called, the same for every contender, so that each
// one that records a trace finds ten real frames to walk.

#include <cstddef>

namespace zevra_bench {

inline constexpr int chain_depth = 12;

// Calls `leaf(arg)` at the bottom of `depth` frames.
void belowChain(int depth, void (*leaf)(void*), void* arg);

// How many frames, the caller's first, a frame-pointer walk from the caller
// finds (at most 32): what a trace recorded by a function it calls can hold.
std::size_t framesAbove();

}  // namespace zevra_bench

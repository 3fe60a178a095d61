#include "call_chain.hpp"

#include <cstdint>

namespace zevra_bench {

// Built, like the whole project, with -fno-omit-frame-pointer.
[[gnu::noinline]] void belowChain(int depth, void (*leaf)(void*), void* arg) {
  if (depth > 0)
    belowChain(depth - 1, leaf, arg);
  else
    leaf(arg);
  asm volatile("" ::: "memory");  // not a tail call: this frame stays
}

[[gnu::noinline]] std::size_t framesAbove() {
  auto fp = reinterpret_cast<const std::uintptr_t*>(__builtin_frame_address(0));
  std::size_t n = 0;
  // Up the saved frame pointers while they lead up the stack by sane steps
  // (code without frame pointers leaves other values in their place).
  while (n < 32 && fp != nullptr && fp[1] != 0) {
    auto up = reinterpret_cast<const std::uintptr_t*>(fp[0]);
    ++n;
    if (up <= fp ||
        reinterpret_cast<std::uintptr_t>(up) - reinterpret_cast<std::uintptr_t>(fp) > (1u << 20))
      break;
    fp = up;
  }
  return n;  // the first is the caller's: its return address is in this frame
}

}  // namespace zevra_bench

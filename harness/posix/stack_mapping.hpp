#pragma once
// Where the memory mapping that holds an address ends, for a signal handler
// on a thread whose stack bounds were never looked up: read from
// /proc/self/maps with calls a handler may make (open, read, close).

#include <cstdint>

namespace zevra_harness::detail {

// The end of the mapping that holds `address`; 0 when there is none or the
// table cannot be read.
std::uintptr_t stackMappingEnd(std::uintptr_t address);

}  // namespace zevra_harness::detail

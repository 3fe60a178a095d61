#pragma once
// The process's one checking allocator: the one handed to the running test
// (`allocator()` in "zevra_harness/testing.hpp"), which the runner makes
// fresh before every test and every metadata request.

#include "harness/portable/allocator/debug_allocator.hpp"

namespace zevra_harness::detail {

DebugAllocator& allocatorInstance();

}  // namespace zevra_harness::detail

#include "harness/portable/allocator/allocator_instance.hpp"

namespace zevra_harness::detail {
namespace {
constinit DebugAllocator allocator_instance;
}

DebugAllocator& allocatorInstance() { return allocator_instance; }

}  // namespace zevra_harness::detail

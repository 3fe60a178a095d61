#include "harness/portable/allocator/debug_allocator.hpp"

#include <algorithm>

#include "harness/portable/diagnostics/fatal.hpp"

namespace zevra_harness::detail {

DebugAllocator::~DebugAllocator() { (void)releaseAll(false); }

std::expected<std::byte*, Error> DebugAllocator::alloc(std::size_t len, std::size_t alignment,
                                                       std::source_location loc) {
  CapturedTrace trace;
  trace.captureCaller();
  auto p = allocate(len, alignment, trace);
  if (!p) [[unlikely]] {
    logAllocationFailure(p.error(), len, alignment, trace);
    traceRaise(loc);
  }
  return p;
}

void* DebugAllocator::do_allocate(std::size_t bytes, std::size_t alignment) {
  CapturedTrace trace;
  trace.captureCaller();
  auto p = allocate(bytes, alignment, trace);
  if (p) [[likely]]
    return *p;
  // Its caller can be handed neither an error nor nullptr.
  logAllocationFailure(p.error(), bytes, alignment, trace);
  fatal(p.error() == BadAlignment ? "bad alignment" : "out of memory");
}

void DebugAllocator::free(void* p, std::size_t len, std::size_t alignment) {
  CapturedTrace trace;
  trace.captureCaller();
  deallocate(p, len, alignment, trace);
}

void DebugAllocator::do_deallocate(void* p, std::size_t bytes, std::size_t alignment) {
  CapturedTrace trace;
  trace.captureCaller();
  deallocate(p, bytes, alignment, trace);
}

DebugAllocator::Check DebugAllocator::deinit() {
  return releaseAll(true) ? Check::leak : Check::ok;
}

std::expected<std::byte*, Error> DebugAllocator::allocate(std::size_t len, std::size_t alignment,
                                                          const CapturedTrace& trace) {
  if (alignment == 0) alignment = 1;
  // (std::has_single_bit would call libgcc's popcount without -mpopcnt.)
  if ((alignment & (alignment - 1)) != 0) return std::unexpected(BadAlignment);
  // A slot of 2^k bytes is aligned to 2^k, so the class covers the alignment
  // as well as the length.
  const std::size_t need = std::max({len, alignment, std::size_t{1} << SmallSlots::min_slot_log2});
  if (need > SmallSlots::max_slot_bytes) return allocateLarge(len, alignment, trace);
  LockGuard<Mutex> lock(mutex_);
  std::byte* p = small_.take(need, len, alignment, trace, traces_);
  if (p == nullptr) return std::unexpected(OutOfMemory);
  return p;
}

std::expected<std::byte*, Error> DebugAllocator::allocateLarge(std::size_t len,
                                                               std::size_t alignment,
                                                               const CapturedTrace& trace) {
  std::size_t map_len = 0;
  void* p = LargeMappings::map(len, alignment, map_len);
  if (p == nullptr) return std::unexpected(OutOfMemory);
  bool recorded = false;
  {
    LockGuard<Mutex> lock(mutex_);
    recorded = large_.record(p, len, map_len, alignment, trace, traces_);
  }
  if (!recorded) {
    os_pages::unmap(p, map_len);
    return std::unexpected(OutOfMemory);
  }
  return static_cast<std::byte*>(p);
}

void DebugAllocator::deallocate(void* p, std::size_t len, std::size_t alignment,
                                const CapturedTrace& trace) {
  if (p == nullptr) return;
  if (alignment == 0) alignment = 1;
  const auto addr = reinterpret_cast<std::uintptr_t>(p);
  FreeReport report;
  std::size_t unmap_len = 0;
  {
    LockGuard<Mutex> lock(mutex_);
    if (!small_.free(addr, len, alignment, trace, traces_, report) &&
        !large_.free(addr, len, alignment, trace, traces_, report, unmap_len))
      report.kind = FreeReport::Kind::invalid;
  }
  if (unmap_len != 0) os_pages::unmap(p, unmap_len);
  report.print(len, alignment, trace);
}

std::size_t DebugAllocator::heldBytes() {
  LockGuard<Mutex> lock(mutex_);
  return small_.heldBytes() + large_.heldBytes() + traces_.heldBytes();
}

bool DebugAllocator::releaseAll(bool report) {
  LockGuard<Mutex> lock(mutex_);
  const bool small_leaked = small_.release(report, traces_);
  const bool large_leaked = large_.release(report, traces_);
  traces_.release();
  return small_leaked || large_leaked;
}

}  // namespace zevra_harness::detail

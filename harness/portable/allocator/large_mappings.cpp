#include "harness/portable/allocator/large_mappings.hpp"

#include <algorithm>
#include <bit>

#include "harness/portable/platform/pages.hpp"

namespace zevra_harness::detail {

void* LargeMappings::map(std::size_t len, std::size_t alignment, std::size_t& map_len) {
  if (len > SIZE_MAX - os_pages::page_size) return nullptr;
  map_len = std::max(os_pages::roundUp(len), os_pages::page_size);
  return alignment > os_pages::page_size ? os_pages::mapAligned(map_len, alignment)
                                         : os_pages::map(map_len);
}

bool LargeMappings::record(void* p, std::size_t len, std::size_t map_len, std::size_t alignment,
                           const CapturedTrace& trace, TraceStore& traces) {
  Live* a = live_.insert(reinterpret_cast<std::uintptr_t>(p));
  if (a == nullptr) return false;
  *a = {.alloc_trace = traces.replace(TraceStore::none, trace),
        .len = len,
        .map_len = map_len,
        .align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment))};
  return true;
}

bool LargeMappings::free(std::uintptr_t addr, std::size_t len, std::size_t alignment,
                         const CapturedTrace& trace, TraceStore& traces, FreeReport& report,
                         std::size_t& unmap_len) {
  if (Live* a = live_.find(addr)) {
    report.live(*a, len, alignment, traces);
    unmap_len = a->map_len;
    keepFreed(addr, a->alloc_trace, trace, traces);
    live_.erase(addr);
    return true;
  }
  if (const Freed* f = freed(addr)) {
    report.doubleFree(f->alloc_trace, f->free_trace, traces);
    return true;
  }
  return false;
}

// The ring takes over the record's reference to its allocation trace.
void LargeMappings::keepFreed(std::uintptr_t addr, TraceStore::Id alloc_trace,
                              const CapturedTrace& trace, TraceStore& traces) {
  const TraceStore::Id free_trace = traces.replace(TraceStore::none, trace);
  Freed& slot = freed_[frees_ % quarantine];
  if (frees_ >= quarantine) {
    traces.drop(slot.alloc_trace);
    traces.drop(slot.free_trace);
  }
  slot = {addr, alloc_trace, free_trace};
  ++frees_;
}

// The newest free of `addr` still in the ring: a mapping freed, mapped again
// at the same address and freed again is there twice.
const LargeMappings::Freed* LargeMappings::freed(std::uintptr_t addr) const {
  const std::size_t kept = std::min(frees_, quarantine);
  for (std::size_t age = 1; age <= kept; ++age) {
    const Freed& f = freed_[(frees_ - age) % quarantine];
    if (f.addr == addr) return &f;
  }
  return nullptr;
}

bool LargeMappings::release(bool report, const TraceStore& traces) {
  bool leaked = false;
  live_.forEach([&](std::uintptr_t addr, Live& a) {
    leaked = true;
    if (report) logLeak(addr, traces.view(a.alloc_trace));
    os_pages::unmap(reinterpret_cast<void*>(addr), a.map_len);
  });
  live_.release();
  frees_ = 0;
  return leaked;
}

}  // namespace zevra_harness::detail

#include "harness/allocator/debug_allocator.hpp"

#include <algorithm>
#include <bit>
#include <new>

#include "harness/diagnostics/fatal.hpp"
#include "harness/diagnostics/stack_trace.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness {
namespace {

constexpr std::size_t trace_frames = 10;
constexpr std::size_t min_slot_log2 = 4;        // 16-byte slots
constexpr std::size_t max_slot_log2 = 12;       // one-page slots; larger requests map their own
constexpr std::size_t max_slots = 256;          // per bucket: small slots share a few pages
constexpr std::size_t bucket_span = 64 * 1024;  // slot bytes per bucket for big slots

constexpr std::size_t slotCount(std::size_t size_log2) {
  return std::min(max_slots, bucket_span >> size_log2);
}

constexpr std::size_t log2Ceil(std::size_t n) { return n <= 1 ? 0 : std::bit_width(n - 1); }

}  // namespace

struct DebugAllocator::Trace {
  std::uintptr_t frames[trace_frames];
  std::size_t count;
  TraceView view() const { return {{frames, count}}; }

  // Records the caller of the public entry point this is inlined into
  // (always inlined, so that the walk skips exactly that entry's frame).
  [[gnu::always_inline]] void captureCaller() { count = captureStackTrace(frames, 1); }
};

struct DebugAllocator::Slot {
  Trace alloc;
  Trace free;
  std::uint32_t len;
  std::uint8_t align_log2;
  bool freed;
};

// One mapping: this header, `slot_count` records, then the slots from the
// next page boundary on.
struct DebugAllocator::Bucket {
  Bucket* older;
  Bucket* newer;
  std::byte* slots;
  std::size_t map_len;
  std::uint32_t slot_count;
  std::uint32_t handed_out;  // slots [0, handed_out) have been given out, in order
  std::uint32_t freed;
  std::uint8_t size_class;
  std::uint8_t size_log2;

  Slot* records() { return reinterpret_cast<Slot*>(this + 1); }
};

struct DebugAllocator::LargeAlloc {
  Trace alloc;
  Trace free;
  std::size_t len;
  std::size_t map_len;
  std::uint8_t align_log2;
  bool freed;
};

// What a free found, taken under the lock and reported after it is released.
struct DebugAllocator::FreeReport {
  enum class Kind : std::uint8_t { freed, double_free, invalid };
  Kind kind = Kind::freed;
  bool size_differs = false;
  bool alignment_differs = false;
  std::size_t alloc_len = 0;
  std::size_t alloc_alignment = 0;
  Trace alloc;       // copied only when there is something to report
  Trace first_free;  // copied only for a double free

  // Marks the record freed, unless it already was. A mismatched free still
  // frees: the pointer names exactly one live allocation, and keeping it
  // would report the same fault a second time as a leak.
  template <typename Record>
  void take(Record& r, std::size_t len, std::size_t alignment, const Trace& trace) {
    if (r.freed) {
      kind = Kind::double_free;
      alloc = r.alloc;
      first_free = r.free;
      return;
    }
    alloc_len = r.len;
    alloc_alignment = std::size_t{1} << r.align_log2;
    size_differs = alloc_len != len;
    alignment_differs = alloc_alignment != alignment;
    if (size_differs || alignment_differs) alloc = r.alloc;
    r.freed = true;
    r.free = trace;
  }

  void print(std::size_t len, std::size_t alignment, const Trace& trace) const {
    if (kind == Kind::invalid) fatal("Invalid free");
    if (kind == Kind::double_free) {
      log(Level::err, "gpa", "Double free detected. Allocation: {} First free: {} Second free: {}",
          alloc.view(), first_free.view(), trace.view());
      return;
    }
    if (size_differs)
      log(Level::err, "gpa",
          "Allocation size {} bytes does not match free size {}. Allocation: {} Free: {}",
          alloc_len, len, alloc.view(), trace.view());
    if (alignment_differs)
      log(Level::err, "gpa",
          "Allocation alignment {} does not match free alignment {}. Allocation: {} Free: {}",
          alloc_alignment, alignment, alloc.view(), trace.view());
  }
};

DebugAllocator::~DebugAllocator() { (void)releaseAll(false); }

void* DebugAllocator::alloc(std::size_t len, std::size_t alignment) {
  Trace trace;
  trace.captureCaller();
  return allocate(len, alignment, trace);
}

void* DebugAllocator::do_allocate(std::size_t bytes, std::size_t alignment) {
  Trace trace;
  trace.captureCaller();
  void* p = allocate(bytes, alignment, trace);
  if (p == nullptr) fatal("out of memory");
  return p;
}

void DebugAllocator::free(void* p, std::size_t len, std::size_t alignment) {
  Trace trace;
  trace.captureCaller();
  deallocate(p, len, alignment, trace);
}

void DebugAllocator::do_deallocate(void* p, std::size_t bytes, std::size_t alignment) {
  Trace trace;
  trace.captureCaller();
  deallocate(p, bytes, alignment, trace);
}

DebugAllocator::Check DebugAllocator::deinit() {
  return releaseAll(true) ? Check::leak : Check::ok;
}

void* DebugAllocator::allocate(std::size_t len, std::size_t alignment, const Trace& trace) {
  static_assert(class_count == max_slot_log2 - min_slot_log2 + 1);
  if (alignment == 0) alignment = 1;
  if (!std::has_single_bit(alignment)) return nullptr;
  // A slot of 2^k bytes in a page-aligned run is aligned to 2^k, so the
  // class covers the alignment as well as the length.
  std::size_t need = std::max({len, alignment, std::size_t{1} << min_slot_log2});
  if (need > os_pages::page_size) return allocateLarge(len, alignment, trace);
  std::size_t size_log2 = log2Ceil(need);

  std::lock_guard lock(mutex_);
  Bucket* b = newest_[size_log2 - min_slot_log2];
  if (b == nullptr || b->handed_out == b->slot_count) {
    b = addBucket(size_log2 - min_slot_log2);
    if (b == nullptr) return nullptr;
  }
  std::uint32_t i = b->handed_out++;
  Slot& s = b->records()[i];
  s.alloc = trace;
  s.len = static_cast<std::uint32_t>(len);
  s.align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment));
  s.freed = false;
  return b->slots + (std::size_t{i} << size_log2);
}

void* DebugAllocator::allocateLarge(std::size_t len, std::size_t alignment, const Trace& trace) {
  if (len > SIZE_MAX - os_pages::page_size) return nullptr;
  std::size_t map_len = std::max(os_pages::roundUp(len), os_pages::page_size);
  void* p = alignment > os_pages::page_size ? os_pages::mapAligned(map_len, alignment)
                                            : os_pages::map(map_len);
  if (p == nullptr) return nullptr;
  bool recorded = false;
  {
    std::lock_guard lock(mutex_);
    // A record left by an earlier, freed mapping at this address is replaced.
    if (LargeAlloc* a = large_.insert(reinterpret_cast<std::uintptr_t>(p))) {
      a->alloc = trace;
      a->free.count = 0;
      a->len = len;
      a->map_len = map_len;
      a->align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment));
      a->freed = false;
      recorded = true;
    }
  }
  if (!recorded) {
    os_pages::unmap(p, map_len);
    return nullptr;
  }
  return p;
}

DebugAllocator::Bucket* DebugAllocator::addBucket(std::size_t size_class) {
  std::size_t size_log2 = size_class + min_slot_log2;
  std::size_t count = slotCount(size_log2);
  static_assert(sizeof(Bucket) % alignof(Slot) == 0);
  std::size_t header = os_pages::roundUp(sizeof(Bucket) + count * sizeof(Slot));
  std::size_t span = count << size_log2;
  auto* base = static_cast<std::byte*>(os_pages::map(header + span));
  if (base == nullptr) return nullptr;
  auto* b = new (base) Bucket{
      .older = newest_[size_class],
      .newer = nullptr,
      .slots = base + header,
      .map_len = header + span,
      .slot_count = static_cast<std::uint32_t>(count),
      .handed_out = 0,
      .freed = 0,
      .size_class = static_cast<std::uint8_t>(size_class),
      .size_log2 = static_cast<std::uint8_t>(size_log2),
  };
  std::uintptr_t first_page = reinterpret_cast<std::uintptr_t>(b->slots) / os_pages::page_size;
  for (std::size_t i = 0; i < span / os_pages::page_size; ++i) {
    Bucket** entry = slot_pages_.insert(first_page + i);
    if (entry == nullptr) {
      for (std::size_t j = 0; j < i; ++j) slot_pages_.erase(first_page + j);
      os_pages::unmap(base, header + span);
      return nullptr;
    }
    *entry = b;
  }
  if (b->older != nullptr)
    b->older->newer = b;
  else
    oldest_[size_class] = b;
  newest_[size_class] = b;
  return b;
}

void DebugAllocator::detach(Bucket& b) {
  (b.older != nullptr ? b.older->newer : oldest_[b.size_class]) = b.newer;
  (b.newer != nullptr ? b.newer->older : newest_[b.size_class]) = b.older;
  std::uintptr_t first_page = reinterpret_cast<std::uintptr_t>(b.slots) / os_pages::page_size;
  std::size_t pages = (std::size_t{b.slot_count} << b.size_log2) / os_pages::page_size;
  for (std::size_t i = 0; i < pages; ++i) slot_pages_.erase(first_page + i);
}

void DebugAllocator::deallocate(void* p, std::size_t len, std::size_t alignment,
                                const Trace& trace) {
  if (p == nullptr) return;
  if (alignment == 0) alignment = 1;
  auto addr = reinterpret_cast<std::uintptr_t>(p);
  FreeReport report;
  Bucket* retired = nullptr;
  std::size_t large_len = 0;
  {
    std::lock_guard lock(mutex_);
    if (Bucket** found = slot_pages_.find(addr / os_pages::page_size)) {
      Bucket& b = **found;
      std::size_t offset = addr - reinterpret_cast<std::uintptr_t>(b.slots);
      std::size_t i = offset >> b.size_log2;
      if ((offset & ((std::size_t{1} << b.size_log2) - 1)) != 0 || i >= b.handed_out) {
        report.kind = FreeReport::Kind::invalid;
      } else {
        report.take(b.records()[i], len, alignment, trace);
        // Every slot handed out and freed: nothing can name this bucket any more.
        if (report.kind == FreeReport::Kind::freed && ++b.freed == b.slot_count) {
          detach(b);
          retired = &b;
        }
      }
    } else if (LargeAlloc* a = large_.find(addr)) {
      // The record stays, so that a second free is still recognised.
      report.take(*a, len, alignment, trace);
      if (report.kind == FreeReport::Kind::freed) large_len = a->map_len;
    } else {
      report.kind = FreeReport::Kind::invalid;
    }
  }
  if (retired != nullptr) os_pages::unmap(retired, retired->map_len);
  if (large_len != 0) os_pages::unmap(p, large_len);
  report.print(len, alignment, trace);
}

bool DebugAllocator::releaseAll(bool report) {
  std::lock_guard lock(mutex_);
  bool leaked = false;
  for (std::size_t c = 0; c < class_count; ++c) {
    for (Bucket* b = oldest_[c]; b != nullptr;) {
      Slot* records = b->records();
      for (std::size_t i = 0; i < b->handed_out; ++i) {
        if (records[i].freed) continue;
        leaked = true;
        if (report)
          log(Level::err, "gpa", "memory address 0x{} leaked: {}",
              Hex{reinterpret_cast<std::uintptr_t>(b->slots + (i << b->size_log2))},
              records[i].alloc.view());
      }
      Bucket* newer = b->newer;
      os_pages::unmap(b, b->map_len);
      b = newer;
    }
    oldest_[c] = newest_[c] = nullptr;
  }
  large_.forEach([&](std::uintptr_t addr, LargeAlloc& a) {
    if (a.freed) return;
    leaked = true;
    if (report) log(Level::err, "gpa", "memory address 0x{} leaked: {}", Hex{addr}, a.alloc.view());
    os_pages::unmap(reinterpret_cast<void*>(addr), a.map_len);
  });
  large_.release();
  slot_pages_.release();
  return leaked;
}

}  // namespace zevra_harness

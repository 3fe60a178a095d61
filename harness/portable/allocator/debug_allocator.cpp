#include "harness/portable/allocator/debug_allocator.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <new>

#include "harness/portable/allocator/page_cache.hpp"
#include "harness/portable/diagnostics/fatal.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness::detail {

struct DebugAllocator::Record {
  Record* next_freed;  // the next younger slot in the quarantine
  TraceStore::Id alloc_trace;
  TraceStore::Id free_trace;  // of the last free (kept while live, to be reused)
  std::uint16_t len;
  std::uint8_t align_log2;
  bool freed;
};

// One block of the page cache, aligned to its size: this header, one record
// per slot, then the slots from a multiple of their size on.
struct DebugAllocator::Chunk {
  Chunk* newer;
  std::uint32_t slot_count;
  std::uint32_t handed_out;  // slots [0, handed_out) have been given out at least once
  std::uint32_t slots_offset;
  std::uint8_t size_log2;

  Record* records() { return reinterpret_cast<Record*>(this + 1); }
  std::byte* slots() { return reinterpret_cast<std::byte*>(this) + slots_offset; }
};

namespace {

constexpr std::size_t min_slot_log2 = 4;   // 16-byte slots
constexpr std::size_t max_slot_log2 = 12;  // one-page slots; larger requests map their own
constexpr std::size_t chunk_bytes = std::size_t{64} << 10;
static_assert(chunk_bytes <= page_cache::max_alignment &&
              chunk_bytes <= page_cache::max_kept_block);

// A freed slot is handed out again once this many later frees of its class
// stand behind it: up to 1024 slots or 256 KiB of them per class.
constexpr std::size_t quarantineSlots(std::size_t size_log2) {
  return std::min<std::size_t>(1024, (std::size_t{256} << 10) >> size_log2);
}

constexpr std::size_t log2Ceil(std::size_t n) { return n <= 1 ? 0 : std::bit_width(n - 1); }
constexpr std::size_t roundUpTo(std::size_t n, std::size_t m) { return (n + m - 1) / m * m; }

}  // namespace

// What a free found, taken under the lock and reported after it is released.
struct DebugAllocator::FreeReport {
  enum class Kind : std::uint8_t { freed, double_free, invalid };
  Kind kind = Kind::freed;
  bool size_differs = false;
  bool alignment_differs = false;
  std::size_t alloc_len = 0;
  std::size_t alloc_alignment = 0;
  CapturedTrace alloc;       // copied only when there is something to report
  CapturedTrace first_free;  // copied only for a double free

  // A second free of an allocation whose traces are still kept.
  void doubleFree(TraceStore::Id alloc_trace, TraceStore::Id free_trace, const TraceStore& traces) {
    kind = Kind::double_free;
    traces.copy(alloc_trace, alloc);
    traces.copy(free_trace, first_free);
  }

  // The free of a live allocation, checked against what was allocated. A
  // mismatched free still frees: the pointer names exactly one live
  // allocation, and keeping it would report the same fault again as a leak.
  template <typename R>
  void live(const R& r, std::size_t len, std::size_t alignment, const TraceStore& traces) {
    alloc_len = r.len;
    alloc_alignment = std::size_t{1} << r.align_log2;
    size_differs = alloc_len != len;
    alignment_differs = alloc_alignment != alignment;
    if (size_differs || alignment_differs) traces.copy(r.alloc_trace, alloc);
  }

  void print(std::size_t len, std::size_t alignment, const CapturedTrace& trace) const {
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

namespace {

// How a chunk of each slot size is laid out: as many slots as fit after the
// header and their records, starting at a multiple of the slot size (the
// chunk itself is aligned to its size, so every slot is aligned to its own).
struct ChunkLayout {
  std::uint32_t slot_count;
  std::uint32_t slots_offset;
};

template <typename Chunk, typename Record>
constexpr ChunkLayout layoutFor(std::size_t size_log2) {
  const std::size_t slot = std::size_t{1} << size_log2;
  std::size_t n = (chunk_bytes - sizeof(Chunk)) / (sizeof(Record) + slot);
  while (roundUpTo(sizeof(Chunk) + n * sizeof(Record), slot) + n * slot > chunk_bytes) --n;
  return {static_cast<std::uint32_t>(n),
          static_cast<std::uint32_t>(roundUpTo(sizeof(Chunk) + n * sizeof(Record), slot))};
}

}  // namespace

DebugAllocator::~DebugAllocator() { (void)releaseAll(false); }

std::expected<std::byte*, Error> DebugAllocator::alloc(std::size_t len, std::size_t alignment,
                                                       std::source_location loc) {
  CapturedTrace trace;
  trace.captureCaller();
  auto p = allocate(len, alignment, trace);
  if (!p) [[unlikely]] {
    logFailure(p.error(), len, alignment, trace);
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
  logFailure(p.error(), bytes, alignment, trace);
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

void DebugAllocator::logFailure(Error e, std::size_t len, std::size_t alignment,
                                const CapturedTrace& trace) {
  if (e == BadAlignment)
    log(Level::warn, "gpa", "Alignment {} is not a power of two ({} bytes asked). Allocation: {}",
        alignment, len, trace.view());
  else
    log(Level::warn, "gpa", "Out of memory: {} bytes aligned to {}. Allocation: {}", len,
        alignment == 0 ? 1 : alignment, trace.view());
}

std::expected<std::byte*, Error> DebugAllocator::allocate(std::size_t len, std::size_t alignment,
                                                          const CapturedTrace& trace) {
  static_assert(class_count == max_slot_log2 - min_slot_log2 + 1);
  if (alignment == 0) alignment = 1;
  // (std::has_single_bit would call libgcc's popcount without -mpopcnt.)
  if ((alignment & (alignment - 1)) != 0) return std::unexpected(BadAlignment);
  // A slot of 2^k bytes is aligned to 2^k, so the class covers the alignment
  // as well as the length.
  std::size_t need = std::max({len, alignment, std::size_t{1} << min_slot_log2});
  if (need > os_pages::page_size) return allocateLarge(len, alignment, trace);
  const std::size_t size_log2 = log2Ceil(need);

  LockGuard<Mutex> lock(mutex_);
  Record* r = takeSlot(size_log2 - min_slot_log2);
  if (r == nullptr) return std::unexpected(OutOfMemory);
  r->alloc_trace = traces_.replace(r->alloc_trace, trace);
  r->len = static_cast<std::uint16_t>(len);
  r->align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment));
  r->freed = false;
  auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(r) & ~(chunk_bytes - 1));
  return chunk->slots() + (static_cast<std::size_t>(r - chunk->records()) << size_log2);
}

// The oldest freed slot once the quarantine is full, else one never handed
// out; nullptr when no chunk can be had.
DebugAllocator::Record* DebugAllocator::takeSlot(std::size_t size_class) {
  SizeClass& sc = classes_[size_class];
  if (sc.freed > quarantineSlots(size_class + min_slot_log2)) {
    Record* r = sc.oldest_freed;
    sc.oldest_freed = r->next_freed;
    --sc.freed;
    return r;
  }
  Chunk* chunk = sc.newest_chunk;
  if (chunk == nullptr || chunk->handed_out == chunk->slot_count) {
    chunk = addChunk(size_class);
    if (chunk == nullptr) return nullptr;
  }
  Record* r = &chunk->records()[chunk->handed_out++];
  r->alloc_trace = r->free_trace = TraceStore::none;
  return r;
}

DebugAllocator::Chunk* DebugAllocator::addChunk(std::size_t size_class) {
  static constexpr auto layouts = [] {
    std::array<ChunkLayout, class_count> all{};
    for (std::size_t c = 0; c < class_count; ++c)
      all[c] = layoutFor<Chunk, Record>(c + min_slot_log2);
    return all;
  }();
  static_assert(alignof(Record) <= alignof(Chunk) && sizeof(Chunk) % alignof(Record) == 0);
  auto* base = static_cast<std::byte*>(page_cache::take(chunk_bytes));
  if (base == nullptr) return nullptr;
  Chunk** entry = chunks_.insert(reinterpret_cast<std::uintptr_t>(base) / chunk_bytes);
  if (entry == nullptr) {
    page_cache::give(base, chunk_bytes);
    return nullptr;
  }
  auto* chunk = new (base) Chunk{
      .newer = nullptr,
      .slot_count = layouts[size_class].slot_count,
      .handed_out = 0,
      .slots_offset = layouts[size_class].slots_offset,
      .size_log2 = static_cast<std::uint8_t>(size_class + min_slot_log2),
  };
  *entry = chunk;
  SizeClass& sc = classes_[size_class];
  (sc.newest_chunk != nullptr ? sc.newest_chunk->newer : sc.oldest_chunk) = chunk;
  sc.newest_chunk = chunk;
  ++chunk_count_;
  return chunk;
}

std::expected<std::byte*, Error> DebugAllocator::allocateLarge(std::size_t len,
                                                               std::size_t alignment,
                                                               const CapturedTrace& trace) {
  if (len > SIZE_MAX - os_pages::page_size) return std::unexpected(OutOfMemory);
  std::size_t map_len = std::max(os_pages::roundUp(len), os_pages::page_size);
  void* p = alignment > os_pages::page_size ? os_pages::mapAligned(map_len, alignment)
                                            : os_pages::map(map_len);
  if (p == nullptr) return std::unexpected(OutOfMemory);
  bool recorded = false;
  {
    LockGuard<Mutex> lock(mutex_);
    if (LargeAlloc* a = large_.insert(reinterpret_cast<std::uintptr_t>(p))) {
      *a = {.alloc_trace = traces_.replace(TraceStore::none, trace),
            .len = len,
            .map_len = map_len,
            .align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment))};
      recorded = true;
    }
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
  auto addr = reinterpret_cast<std::uintptr_t>(p);
  FreeReport report;
  std::size_t large_len = 0;
  {
    LockGuard<Mutex> lock(mutex_);
    if (Chunk** found = chunks_.find(addr / chunk_bytes)) {
      Chunk& chunk = **found;
      const auto slots = reinterpret_cast<std::uintptr_t>(chunk.slots());
      const std::size_t offset = addr - slots, i = offset >> chunk.size_log2;
      if (addr < slots || (offset & ((std::size_t{1} << chunk.size_log2) - 1)) != 0 ||
          i >= chunk.handed_out) {
        report.kind = FreeReport::Kind::invalid;
      } else if (Record& r = chunk.records()[i]; r.freed) {
        report.doubleFree(r.alloc_trace, r.free_trace, traces_);
      } else {
        report.live(r, len, alignment, traces_);
        r.freed = true;
        r.free_trace = traces_.replace(r.free_trace, trace);
        r.next_freed = nullptr;
        SizeClass& sc = classes_[chunk.size_log2 - min_slot_log2];
        (sc.freed != 0 ? sc.newest_freed->next_freed : sc.oldest_freed) = &r;
        sc.newest_freed = &r;
        ++sc.freed;
      }
    } else if (LargeAlloc* a = large_.find(addr)) {
      report.live(*a, len, alignment, traces_);
      large_len = a->map_len;
      quarantineLarge(addr, a->alloc_trace, trace);
      large_.erase(addr);
    } else if (const FreedLarge* f = freedLarge(addr)) {
      report.doubleFree(f->alloc_trace, f->free_trace, traces_);
    } else {
      report.kind = FreeReport::Kind::invalid;
    }
  }
  if (large_len != 0) os_pages::unmap(p, large_len);
  report.print(len, alignment, trace);
}

// The ring takes over the record's reference to its allocation trace.
void DebugAllocator::quarantineLarge(std::uintptr_t addr, TraceStore::Id alloc_trace,
                                     const CapturedTrace& trace) {
  const TraceStore::Id free_trace = traces_.replace(TraceStore::none, trace);
  FreedLarge& slot = freed_large_[large_frees_ % large_quarantine];
  if (large_frees_ >= large_quarantine) {
    traces_.drop(slot.alloc_trace);
    traces_.drop(slot.free_trace);
  }
  slot = {addr, alloc_trace, free_trace};
  ++large_frees_;
}

// The newest free of `addr` still in the ring: a mapping freed, mapped again
// at the same address and freed again is there twice.
const DebugAllocator::FreedLarge* DebugAllocator::freedLarge(std::uintptr_t addr) const {
  const std::size_t kept = std::min(large_frees_, large_quarantine);
  for (std::size_t age = 1; age <= kept; ++age) {
    const FreedLarge& f = freed_large_[(large_frees_ - age) % large_quarantine];
    if (f.addr == addr) return &f;
  }
  return nullptr;
}

std::size_t DebugAllocator::heldBytes() {
  LockGuard<Mutex> lock(mutex_);
  return chunk_count_ * chunk_bytes + chunks_.blockBytes() + large_.blockBytes() +
         traces_.heldBytes();
}

bool DebugAllocator::releaseAll(bool report) {
  LockGuard<Mutex> lock(mutex_);
  bool leaked = false;
  for (SizeClass& sc : classes_) {
    for (Chunk* chunk = sc.oldest_chunk; chunk != nullptr;) {
      bool held = false;
      const Record* records = chunk->records();
      for (std::size_t i = 0; i < chunk->handed_out; ++i) {
        if (records[i].freed) continue;
        held = true;
        if (report)
          log(Level::err, "gpa", "memory address 0x{} leaked: {}",
              Hex{reinterpret_cast<std::uintptr_t>(chunk->slots() + (i << chunk->size_log2))},
              traces_.view(records[i].alloc_trace));
      }
      leaked = leaked || held;
      Chunk* newer = chunk->newer;
      // Leaked memory is unmapped, so that it never serves another test.
      if (held)
        os_pages::unmap(chunk, chunk_bytes);
      else
        page_cache::give(chunk, chunk_bytes);
      chunk = newer;
    }
    sc = {};
  }
  large_.forEach([&](std::uintptr_t addr, LargeAlloc& a) {
    leaked = true;
    if (report)
      log(Level::err, "gpa", "memory address 0x{} leaked: {}", Hex{addr},
          traces_.view(a.alloc_trace));
    os_pages::unmap(reinterpret_cast<void*>(addr), a.map_len);
  });
  large_.release();
  large_frees_ = 0;
  chunks_.release();
  traces_.release();
  chunk_count_ = 0;
  return leaked;
}

}  // namespace zevra_harness::detail

#include "harness/portable/allocator/small_slots.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <new>

#include "harness/portable/allocator/page_cache.hpp"

namespace zevra_harness::detail {

struct SmallSlots::Record {
  Record* next_freed;  // the next younger slot in the quarantine
  TraceStore::Id alloc_trace;
  TraceStore::Id free_trace;  // of the last free (kept while live, to be reused)
  std::uint16_t len;
  std::uint8_t align_log2;
  bool freed;
};

// One block of the page cache, aligned to its size: this header, one record
// per slot, then the slots from a multiple of their size on.
struct SmallSlots::Chunk {
  Chunk* newer;
  std::uint32_t slot_count;
  std::uint32_t handed_out;  // slots [0, handed_out) have been given out at least once
  std::uint32_t slots_offset;
  std::uint8_t size_log2;

  Record* records() { return reinterpret_cast<Record*>(this + 1); }
  std::byte* slots() { return reinterpret_cast<std::byte*>(this) + slots_offset; }
};

namespace {

constexpr std::size_t chunk_bytes = std::size_t{64} << 10;
static_assert(chunk_bytes <= page_cache::max_alignment &&
              chunk_bytes <= page_cache::max_kept_block);

// A freed slot is handed out again once this many later frees of its class
// stand behind it: up to 1024 slots or 256 KiB of them per class.
constexpr std::size_t quarantineSlots(std::size_t size_log2) {
  return std::min<std::size_t>(1024, (std::size_t{256} << 10) >> size_log2);
}

constexpr std::size_t log2Ceil(std::size_t n) {
  return n <= 1 ? 0 : static_cast<std::size_t>(std::bit_width(n - 1));
}
constexpr std::size_t roundUpTo(std::size_t n, std::size_t m) { return (n + m - 1) / m * m; }

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

std::byte* SmallSlots::take(std::size_t need, std::size_t len, std::size_t alignment,
                            const CapturedTrace& trace, TraceStore& traces) {
  // (need is at least the smallest slot; the bound says so to the compiler.)
  const std::size_t size_log2 = std::max(log2Ceil(need), min_slot_log2);
  Record* r = takeSlot(size_log2 - min_slot_log2);
  if (r == nullptr) return nullptr;
  r->alloc_trace = traces.replace(r->alloc_trace, trace);
  r->len = static_cast<std::uint16_t>(len);
  r->align_log2 = static_cast<std::uint8_t>(std::countr_zero(alignment));
  r->freed = false;
  auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(r) & ~(chunk_bytes - 1));
  return chunk->slots() + (static_cast<std::size_t>(r - chunk->records()) << size_log2);
}

// The oldest freed slot once the quarantine is full, else one never handed
// out; nullptr when no chunk can be had.
SmallSlots::Record* SmallSlots::takeSlot(std::size_t size_class) {
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

SmallSlots::Chunk* SmallSlots::addChunk(std::size_t size_class) {
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

bool SmallSlots::free(std::uintptr_t addr, std::size_t len, std::size_t alignment,
                      const CapturedTrace& trace, TraceStore& traces, FreeReport& report) {
  Chunk** found = chunks_.find(addr / chunk_bytes);
  if (found == nullptr) return false;
  Chunk& chunk = **found;
  const auto slots = reinterpret_cast<std::uintptr_t>(chunk.slots());
  const std::size_t offset = addr - slots, i = offset >> chunk.size_log2;
  if (addr < slots || (offset & ((std::size_t{1} << chunk.size_log2) - 1)) != 0 ||
      i >= chunk.handed_out) {
    report.kind = FreeReport::Kind::invalid;
  } else if (Record& r = chunk.records()[i]; r.freed) {
    report.doubleFree(r.alloc_trace, r.free_trace, traces);
  } else {
    report.live(r, len, alignment, traces);
    r.freed = true;
    r.free_trace = traces.replace(r.free_trace, trace);
    r.next_freed = nullptr;
    SizeClass& sc = classes_[chunk.size_log2 - min_slot_log2];
    (sc.freed != 0 ? sc.newest_freed->next_freed : sc.oldest_freed) = &r;
    sc.newest_freed = &r;
    ++sc.freed;
  }
  return true;
}

bool SmallSlots::release(bool report, const TraceStore& traces) {
  bool leaked = false;
  for (SizeClass& sc : classes_) {
    for (Chunk* chunk = sc.oldest_chunk; chunk != nullptr;) {
      bool held = false;
      const Record* records = chunk->records();
      for (std::size_t i = 0; i < chunk->handed_out; ++i) {
        if (records[i].freed) continue;
        held = true;
        if (report)
          logLeak(reinterpret_cast<std::uintptr_t>(chunk->slots() + (i << chunk->size_log2)),
                  traces.view(records[i].alloc_trace));
      }
      leaked = leaked || held;
      Chunk* newer = chunk->newer;
      if (held)
        os_pages::unmap(chunk, chunk_bytes);
      else
        page_cache::give(chunk, chunk_bytes);
      chunk = newer;
    }
    sc = {};
  }
  chunks_.release();
  chunk_count_ = 0;
  return leaked;
}

std::size_t SmallSlots::heldBytes() const {
  return chunk_count_ * chunk_bytes + chunks_.blockBytes();
}

}  // namespace zevra_harness::detail

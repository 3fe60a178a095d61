// The checking allocator in correct use: every size class and large sizes,
// alignments beyond the size, zero-size requests, many buckets, several
// threads and standard containers. Contents are written with patterns and
// read back, so overlapping slots show up; the runner's leak check after each
// test proves that every free was taken.
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory_resource>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "harness/portable/allocator/allocator_instance.hpp"
#include "tests/allocator/reports_test.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"

namespace {

using zevra_harness::expect;
using zevra_harness::Status;
using zevra_harness::detail::allocatorInstance;
using zevra_harness::detail::DebugAllocator;

struct Block {
  unsigned char* p;
  std::size_t len;
  std::size_t alignment;
};

unsigned char patternByte(std::size_t block, std::size_t i) {
  return static_cast<unsigned char>(block * 131 + i * 7 + 1);
}
void fill(const Block& b, std::size_t id) {
  for (std::size_t i = 0; i < b.len; ++i) b.p[i] = patternByte(id, i);
}
bool intact(const Block& b, std::size_t id) {
  for (std::size_t i = 0; i < b.len; ++i)
    if (b.p[i] != patternByte(id, i)) return false;
  return true;
}

// Allocates every block, fills all, then checks all (an overlap would have
// overwritten an earlier pattern) and frees them in the order given.
Status roundTrip(DebugAllocator& a, std::vector<Block>& blocks,
                 const std::vector<std::size_t>& free_order) {
  for (std::size_t id = 0; id < blocks.size(); ++id) {
    Block& b = blocks[id];
    auto p = a.alloc(b.len, b.alignment);
    ZEVRA_TRY(p);
    b.p = reinterpret_cast<unsigned char*>(*p);
    ZEVRA_TRY(expect(reinterpret_cast<std::uintptr_t>(b.p) % b.alignment == 0));
    fill(b, id);
  }
  for (std::size_t id = 0; id < blocks.size(); ++id) ZEVRA_TRY(expect(intact(blocks[id], id)));
  for (std::size_t id : free_order) a.free(blocks[id].p, blocks[id].len, blocks[id].alignment);
  return {};
}

std::vector<std::size_t> interleaved(std::size_t n) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < n; i += 2) order.push_back(i);
  for (std::size_t i = n; i-- > 0;)
    if (i % 2 == 1) order.push_back(i);
  return order;
}

constexpr std::size_t test_lengths[] = {1,    7,    15,   16,   17,    31,     32,      33,   63,
                                        64,   65,   127,  128,  129,   255,    256,     257,  511,
                                        512,  513,  1000, 1024, 1025,  2047,   2048,    2049, 4095,
                                        4096, 4097, 8191, 8192, 65536, 100000, 1u << 20};

Status sizeClasses() {
  std::vector<Block> blocks;
  for (std::size_t len : test_lengths)
    for (std::size_t alignment : {1u, 8u, 16u}) blocks.push_back({nullptr, len, alignment});
  return roundTrip(allocatorInstance(), blocks, interleaved(blocks.size()));
}

Status manyBuckets() {
  std::vector<Block> blocks;
  for (std::size_t i = 0; i < 3000; ++i) blocks.push_back({nullptr, 64, 8});
  for (std::size_t i = 0; i < 600; ++i) blocks.push_back({nullptr, 700, 8});
  for (std::size_t i = 0; i < 40; ++i) blocks.push_back({nullptr, 5000 + i, 8});
  auto& a = allocatorInstance();
  ZEVRA_TRY(roundTrip(a, blocks, interleaved(blocks.size())));
  // The second round takes the slots freed beyond the quarantines and adds as
  // many as they hold; from the third on, freed slots serve every request.
  ZEVRA_TRY(roundTrip(a, blocks, interleaved(blocks.size())));
  const std::size_t held = a.heldBytes();
  ZEVRA_TRY(roundTrip(a, blocks, interleaved(blocks.size())));
  ZEVRA_TRY(expect(a.heldBytes() == held));
  return {};
}

Status largeAlignments() {
  std::vector<Block> blocks;
  for (std::size_t shift = 0; shift <= 16; ++shift) {
    blocks.push_back({nullptr, 1, std::size_t{1} << shift});
    blocks.push_back({nullptr, 5000, std::size_t{1} << shift});
    blocks.push_back({nullptr, 0, std::size_t{1} << shift});
  }
  std::vector<std::size_t> order(blocks.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = order.size() - 1 - i;
  return roundTrip(allocatorInstance(), blocks, order);
}

Status zeroSize() {
  auto& a = allocatorInstance();
  std::array<void*, 20> ps{};
  for (void*& p : ps) {
    auto got = a.alloc(0, 1);
    ZEVRA_TRY(got);
    p = *got;
  }
  std::array<void*, 20> sorted = ps;
  std::sort(sorted.begin(), sorted.end());
  ZEVRA_TRY(expect(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()));
  for (void* p : ps) a.free(p, 0, 1);
  void* pmr = zevra_harness::allocator().allocate(0);
  ZEVRA_TRY(expect(pmr != nullptr));
  zevra_harness::allocator().deallocate(pmr, 0);
  return {};
}

bool mapped(const void* p) {
  unsigned char resident = 0;
  auto page = reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{4095};
  return ::mincore(reinterpret_cast<void*>(page), 4096, &resident) == 0 || errno != ENOMEM;
}

// A freed large allocation is unmapped at once (slots go back when the
// allocator ends; see the report layout test).
Status freedPagesReturned() {
  auto& a = allocatorInstance();
  auto large = a.alloc(1 << 20, 8);
  ZEVRA_TRY(large);
  ZEVRA_TRY(expect(mapped(*large)));
  a.free(*large, 1 << 20, 8);
  ZEVRA_TRY(expect(!mapped(*large)));
  return {};
}

// Threads allocate, check and free their own blocks and leave some live for
// the main thread to free after the join.
Status threads() {
  constexpr std::size_t thread_count = 4, ring = 64, rounds = 4000;
  std::array<std::array<Block, ring>, thread_count> left{};
  std::array<bool, thread_count> ok{};
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < thread_count; ++t) {
    workers.emplace_back([t, &left, &ok] {
      auto& a = allocatorInstance();
      auto& blocks = left[t];
      std::uint32_t state = static_cast<std::uint32_t>(t) * 2654435761u + 1;
      auto next = [&state] { return state = state * 1664525u + 1013904223u; };
      bool good = true;
      for (std::size_t round = 0; round < rounds; ++round) {
        std::size_t slot = next() % ring, id = t * 1000 + slot;
        Block& b = blocks[slot];
        if (b.p != nullptr) {
          good = good && intact(b, id);
          a.free(b.p, b.len, b.alignment);
        }
        std::uint32_t r = next();
        b = {nullptr, r % 8 == 0 ? 4096 + r % 20000 : r % 600, std::size_t{8} << (r % 3)};
        b.p = reinterpret_cast<unsigned char*>(a.alloc(b.len, b.alignment).value_or(nullptr));
        if (b.p == nullptr) {
          good = false;
          break;
        }
        fill(b, id);
      }
      ok[t] = good;
    });
  }
  for (std::thread& w : workers) w.join();
  for (std::size_t t = 0; t < thread_count; ++t) {
    ZEVRA_TRY(expect(ok[t]));
    for (std::size_t slot = 0; slot < ring; ++slot) {
      Block& b = left[t][slot];
      if (b.p == nullptr) continue;
      ZEVRA_TRY(expect(intact(b, t * 1000 + slot)));
      allocatorInstance().free(b.p, b.len, b.alignment);
    }
  }
  return {};
}

Status containers() {
  std::pmr::memory_resource& r = zevra_harness::allocator();
  std::pmr::vector<std::uint64_t> v(&r);
  for (std::uint64_t i = 0; i < 10000; ++i) v.push_back(i * i);
  std::pmr::map<int, std::pmr::string> m(&r);
  std::pmr::unordered_map<int, int> u(&r);
  for (int i = 0; i < 1000; ++i) {
    m.emplace(i, std::pmr::string(static_cast<std::size_t>(i % 100 + 20), 'a', &r));
    u[i] = -i;
  }
  for (std::uint64_t i = 0; i < 10000; ++i) ZEVRA_TRY(expect(v[i] == i * i));
  for (int i = 0; i < 1000; ++i) {
    ZEVRA_TRY(expect(m.at(i).size() == static_cast<std::size_t>(i % 100 + 20)));
    ZEVRA_TRY(expect(u.at(i) == -i));
  }
  return {};
}

// deinit with nothing live reports nothing and leaves a fresh allocator that
// serves again; impossible requests fail with their error.
Status freshAfterDeinit() {
  DebugAllocator a;
  for (int cycle = 0; cycle < 2; ++cycle) {
    std::byte* small = a.alloc(40, 8).value();
    std::byte* large = a.alloc(50000, 8).value();
    a.free(small, 40, 8);
    a.free(large, 50000, 8);
    ZEVRA_TRY(expect(a.deinit() == DebugAllocator::Check::ok));
  }
  zevra_harness::setLogLevel(zevra_harness::Level::err);  // the failures' warnings
  const auto failsWith = [](auto got, zevra_harness::Error e) { return !got && got.error() == e; };
  ZEVRA_TRY(expect(failsWith(a.alloc(SIZE_MAX / 2, 16), zevra_harness::OutOfMemory)));
  ZEVRA_TRY(expect(failsWith(a.alloc(SIZE_MAX, 1), zevra_harness::OutOfMemory)));
  ZEVRA_TRY(expect(failsWith(a.alloc(16, 24), zevra_harness::BadAlignment)));
  ZEVRA_TRY(expect(a.deinit() == DebugAllocator::Check::ok));
  return {};
}

constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"allocator.test.every size class and large sizes", &sizeClasses},
    {"allocator.test.thousands of allocations across buckets", &manyBuckets},
    {"allocator.test.alignment beyond the size up to 64 KiB", &largeAlignments},
    {"allocator.test.zero-size allocations are distinct", &zeroSize},
    {"allocator.test.freed pages go back to the system", &freedPagesReturned},
    {"allocator.test.allocations from several threads", &threads},
    {"allocator.test.pmr containers", &containers},
    {"allocator.test.fresh after deinit", &freshAfterDeinit},
    {"allocator.test.report layout", &reports_test::reportLayout},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

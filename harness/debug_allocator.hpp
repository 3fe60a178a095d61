#pragma once
// The checking allocator handed to tests: memory comes straight from mapped
// pages, carved into size-class slots; every allocation and free records a
// 10-frame trace; double frees and size or alignment mismatches are logged
// as errors (scope "gpa"); `deinit` reports each allocation still held.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <mutex>

namespace zevra_harness {

class DebugAllocator final : public std::pmr::memory_resource {
 public:
  enum class Check : std::uint8_t { ok = 0, leak = 1 };

  constexpr DebugAllocator() = default;
  ~DebugAllocator() override;
  DebugAllocator(const DebugAllocator&) = delete;
  DebugAllocator& operator=(const DebugAllocator&) = delete;

  // nullptr when the system has no memory left.
  void* alloc(std::size_t len, std::size_t alignment);
  // Memory this allocator never handed out ends in the fatal stop "Invalid free".
  void free(void* p, std::size_t len, std::size_t alignment);

  // Logs "memory address 0x{x} leaked: {trace}" for every live allocation,
  // returns all pages to the system and leaves the allocator fresh.
  Check deinit();

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  struct Bucket;
  struct LargeAlloc;
  std::mutex mutex_;
  Bucket* buckets_[16] = {};  // one list per size class
  LargeAlloc* large_ = nullptr;
};

// The instance of the current test, made fresh by the runner before each test.
DebugAllocator& allocatorInstance();
void installFreshAllocator();

}  // namespace zevra_harness

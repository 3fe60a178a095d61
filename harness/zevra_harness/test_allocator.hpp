#pragma once
// The allocator handed to tests (`allocator()` in "zevra_harness/testing.hpp"):
// a standard memory resource, for pmr containers and the engine's allocator
// parameters, with a typed face of its own.
//
// Through `alloc`, running out of memory or asking for an alignment that is
// not a power of two is an error the test passes on (ZEVRA_TRY): the test
// fails with it and the run goes on. The memory resource's callers can be
// handed neither an error (no exceptions) nor nullptr (the standard library
// declares `allocate` never to return it, and its callers' checks for it may
// be compiled away): there the same failure ends the process in the fatal
// stop. Either way the allocator first logs a warning with what was asked
// and where.

#include <cstddef>
#include <memory_resource>
#include <source_location>

#include "zevra/expected.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness {

class TestAllocator : public std::pmr::memory_resource {
 public:
  // `len` bytes aligned to `alignment` (0 counts as 1; a zero-length request
  // gets memory of its own), or OutOfMemory or BadAlignment raised at `loc`.
  // Records the trace of its caller.
  [[nodiscard]] virtual std::expected<std::byte*, Error> alloc(
      std::size_t len, std::size_t alignment,
      std::source_location loc = std::source_location::current()) = 0;

  // Gives back memory from `alloc` or the memory resource, with the length
  // and alignment it was asked with; nullptr is ignored. Records the trace
  // of its caller.
  virtual void free(void* p, std::size_t len, std::size_t alignment) = 0;
};

}  // namespace zevra_harness

#pragma once
// The conversation's byte stream: single reads from one descriptor (standard
// input) and gathered writes to another (standard output), through a table
// of system calls that the fuzz target replaces. An interrupted call is made
// again and one that would block (EAGAIN) waits for its descriptor with
// poll, so only data, the end of input and real errors come out of it.

#include <cstddef>
#include <span>

#include "harness/base/system_calls.hpp"
#include "zevra/expected.hpp"

namespace zevra_harness::detail {

class FdStream {
 public:
  static constexpr std::size_t kMaxParts = 8;

  FdStream(int in, int out, const SystemCalls& sys = kSystemCalls)
      : in_(in), out_(out), sys_(sys) {}

  // Reads once into a prefix of `into` (never empty); 0 at the end of input.
  // The error is the errno of the read or of the wait for input.
  std::expected<std::size_t, int> read(std::span<std::byte> into);
  // Writes a prefix of the gathered parts (at most kMaxParts) and returns its
  // length, which may be 0. The error is the errno of the write or of the
  // wait for room.
  std::expected<std::size_t, int> writev(std::span<const std::span<const std::byte>> parts);

 private:
  int in_;
  int out_;
  const SystemCalls& sys_;
};

}  // namespace zevra_harness::detail

#pragma once
// The two directions of the conversation's byte stream, and how they fail.
// The process talks over standard input and output (FdStream); the fuzz
// target and its corpus replay put an in-memory stream in their place.

#include <cstddef>
#include <expected>
#include <span>

#include "zevra_harness/status.hpp"

namespace zevra_harness {

// Errors that end a conversation, besides OutOfMemory (a message that does
// not fit in the arena).
inline constexpr Error BrokenPipe{"BrokenPipe"};
inline constexpr Error ReadFailed{"ReadFailed"};
inline constexpr Error MessageTooLong{"MessageTooLong"};

class ServerStream {
 public:
  // Reads once into a prefix of `into` (never empty); 0 at the end of input.
  virtual std::expected<std::size_t, Error> read(std::span<std::byte> into) = 0;
  // Writes a prefix of the gathered parts (never all empty) and returns its
  // length; a stream that takes nothing fails with BrokenPipe.
  virtual std::expected<std::size_t, Error> writev(
      std::span<const std::span<const std::byte>> parts) = 0;

 protected:
  ~ServerStream() = default;
};

// Reads from one descriptor, writes to another; interrupted calls are
// retried, never reported.
class FdStream final : public ServerStream {
 public:
  FdStream(int in, int out) : in_(in), out_(out) {}
  std::expected<std::size_t, Error> read(std::span<std::byte> into) override;
  std::expected<std::size_t, Error> writev(
      std::span<const std::span<const std::byte>> parts) override;

 private:
  int in_;
  int out_;
};

}  // namespace zevra_harness

#pragma once
// The one buffered writer of the harness: text gathered in fixed storage
// (the harness never allocates) and written to a descriptor in one write
// when the storage is full and on flush. Without a descriptor it keeps what
// fits and drops the rest. After a failed write the rest of its text is
// dropped: a message goes out whole or cut short, never with a hole. With a
// wait budget its writes never block past it (see writeAllWithin).

#include <cstddef>
#include <span>
#include <string_view>

#include "harness/portable/diagnostics/number_text.hpp"

namespace zevra_harness {
struct WaitBudget;  // see harness/base/write_all.hpp
}

namespace zevra_harness::detail {

class OutputBuffer {
 public:
  static constexpr int kNoDescriptor = -1;

  OutputBuffer(std::span<char> storage, int fd, WaitBudget* budget = nullptr)
      : storage_(storage), fd_(fd), budget_(budget) {}
  ~OutputBuffer() { (void)flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void append(std::string_view s);
  void append(char c) { append(std::string_view(&c, 1)); }
  template <std::integral T>
  void appendDecimal(T v) {
    append(NumberText(v).view());
  }
  template <std::integral T>
  void appendHex(T v) {
    append(NumberText(v, 16).view());
  }
  // `text` with a backslash (and `quote`, unless 0) as `\\` (`\"`), and
  // control characters, DEL and every byte outside well-formed UTF-8 as
  // `\xHH`; the rest as it is, so that the original bytes can be read back.
  void appendEscaped(std::string_view text, char quote = 0);

  // The text held and not yet written, and the room left after it.
  std::string_view text() const { return {storage_.data(), len_}; }
  std::size_t room() const { return storage_.size() - len_; }

  // Writes the text held (if there is a descriptor) and empties the buffer;
  // false when this or an earlier write failed.
  bool flush();

 private:
  std::span<char> storage_;
  int fd_;
  WaitBudget* budget_;
  std::size_t len_ = 0;
  bool failed_ = false;
};

// Storage of an OwnedBuffer, a base of its own so that it is there before
// the OutputBuffer that writes into it and still there when that flushes.
template <std::size_t N>
struct BufferStorage {
  char bytes[N];
};

// An OutputBuffer with N bytes of storage of its own, e.g. on the stack.
template <std::size_t N>
class OwnedBuffer : private BufferStorage<N>, public OutputBuffer {
 public:
  explicit OwnedBuffer(int fd, WaitBudget* budget = nullptr)
      : OutputBuffer(this->bytes, fd, budget) {}
};

}  // namespace zevra_harness::detail

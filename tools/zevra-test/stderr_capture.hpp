#pragma once
// What a server writes to standard error during one test, kept within a
// bound whatever it writes: its first 768 KiB and its last 256 to 512 KiB,
// with a note of how much was dropped between them (a fault report comes
// last, so the end is worth keeping).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zevra_test {

class StderrCapture {
 public:
  void append(std::string_view bytes);
  bool empty() const { return head_.empty(); }
  // Everything kept since the last take, the note included.
  std::string take();

 private:
  std::string head_, tail_;
  std::uint64_t dropped_ = 0;
};

}  // namespace zevra_test

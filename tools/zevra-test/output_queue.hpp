#pragma once
// Text for one descriptor, held briefly so that a run of quick tests costs a
// write per few kilobytes rather than a write per line: it goes out once 4 KiB
// are waiting, once the oldest line has waited 50 ms, and at every end.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zevra_test {

class OutputQueue {
 public:
  using Clock = std::chrono::steady_clock;
  explicit OutputQueue(int fd) : fd_(fd) {}
  OutputQueue(const OutputQueue&) = delete;
  ~OutputQueue() { flush(); }

  void add(std::string_view text);
  // When the text waiting must go out, if any is.
  std::optional<Clock::time_point> due() const;
  void flushIfDue(Clock::time_point now);
  void flush();

 private:
  int fd_;
  std::string text_;
  Clock::time_point oldest_{};
};

}  // namespace zevra_test

#include "output_queue.hpp"

#include "harness/base/write_all.hpp"

namespace zevra_test {
namespace {

constexpr std::size_t kFlushBytes = 4096;
constexpr auto kFlushDelay = std::chrono::milliseconds(50);

}  // namespace

void OutputQueue::add(std::string_view text) {
  if (text_.empty()) oldest_ = Clock::now();
  text_ += text;
  if (text_.size() >= kFlushBytes) flush();
}

std::optional<OutputQueue::Clock::time_point> OutputQueue::due() const {
  if (text_.empty()) return std::nullopt;
  return oldest_ + kFlushDelay;
}

void OutputQueue::flushIfDue(Clock::time_point now) {
  if (auto at = due(); at && now >= *at) flush();
}

void OutputQueue::flush() {
  // A reader that went away (zevra-test | head) loses the rest; the run goes on.
  if (!text_.empty()) (void)zevra_harness::writeAll(fd_, text_);
  text_.clear();
}

}  // namespace zevra_test

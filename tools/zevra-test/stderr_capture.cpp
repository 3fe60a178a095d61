#include "stderr_capture.hpp"

#include <algorithm>
#include <utility>

namespace zevra_test {
namespace {

constexpr std::size_t kHeadBytes = 768u << 10;
constexpr std::size_t kTailBytes = 256u << 10;

}  // namespace

void StderrCapture::append(std::string_view bytes) {
  const std::size_t to_head = std::min(bytes.size(), kHeadBytes - head_.size());
  head_.append(bytes.substr(0, to_head));
  bytes.remove_prefix(to_head);
  if (bytes.empty()) return;
  tail_.append(bytes);
  // Trimmed to kTailBytes only once it doubles: each byte is moved once.
  if (tail_.size() > 2 * kTailBytes) {
    const std::size_t cut = tail_.size() - kTailBytes;
    dropped_ += cut;
    tail_.erase(0, cut);
  }
}

std::string StderrCapture::take() {
  std::string text = std::exchange(head_, {});
  if (dropped_ != 0) {
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "[zevra-test: " + std::to_string(dropped_) + " bytes of standard error dropped here]\n";
  }
  text += tail_;
  tail_ = {};
  dropped_ = 0;
  return text;
}

}  // namespace zevra_test

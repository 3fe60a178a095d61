#include "harness/portable/diagnostics/output_buffer.hpp"

#include <algorithm>
#include <cstring>

#include "harness/base/utf8.hpp"
#include "harness/base/write_all.hpp"

namespace zevra_harness::detail {

void OutputBuffer::append(std::string_view s) {
  while (!s.empty()) {
    if (len_ == storage_.size()) {
      if (fd_ == kNoDescriptor) return;
      (void)flush();
    }
    std::size_t n = std::min(s.size(), storage_.size() - len_);
    std::memcpy(storage_.data() + len_, s.data(), n);
    len_ += n;
    s.remove_prefix(n);
  }
}

bool OutputBuffer::flush() {
  if (fd_ == kNoDescriptor) return !failed_;
  if (!failed_ && !(budget_ != nullptr ? writeAllWithin(fd_, storage_.data(), len_, *budget_)
                                       : writeAll(fd_, storage_.data(), len_)))
    failed_ = true;
  len_ = 0;
  return !failed_;
}

void OutputBuffer::appendEscaped(std::string_view text, char quote) {
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Step step = decodeUtf8(text, at);
    if (step.valid &&
        (step.code == '\\' || (quote != 0 && step.code == static_cast<unsigned char>(quote)))) {
      append('\\');
      append(static_cast<char>(step.code));
    } else if (step.valid && step.code >= 0x20 && step.code != 0x7f) {
      append(text.substr(at, step.length));
    } else {
      const auto byte = static_cast<unsigned char>(text[at]);
      append(byte < 0x10 ? "\\x0" : "\\x");
      appendHex(byte);
    }
    at += step.length;  // 1 for a bad byte: each is escaped on its own
  }
}

}  // namespace zevra_harness::detail

#include "harness/portable/diagnostics/output_buffer.hpp"

#include <algorithm>
#include <cstring>

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

}  // namespace zevra_harness::detail

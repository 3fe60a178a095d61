#include "zevra_harness/print.hpp"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "harness/diagnostics/float_text.hpp"
#include "harness/diagnostics/write_all.hpp"

namespace zevra_harness {
namespace {

constinit std::recursive_mutex stderr_mutex;
constinit std::atomic<ClearHook> clear_hook{nullptr};
constinit std::string_view deferred;  // guarded by stderr_mutex

}  // namespace

StderrLock::StderrLock() {
  stderr_mutex.lock();
  if (ClearHook hook = clear_hook.load(std::memory_order_acquire)) hook();
}
StderrLock::~StderrLock() { stderr_mutex.unlock(); }

void setStderrClearHook(ClearHook hook) { clear_hook.store(hook, std::memory_order_release); }

void deferToNextPrint(std::string_view text) { deferred = text; }

void Buffer::takeDeferred() {
  if (deferred.empty()) return;
  std::string_view text = deferred;
  deferred = {};
  append(text);
}

void Buffer::append(std::string_view s) {
  while (!s.empty()) {
    if (len_ == sizeof data_) flush();
    std::size_t n = std::min(s.size(), sizeof data_ - len_);
    std::memcpy(data_ + len_, s.data(), n);
    len_ += n;
    s.remove_prefix(n);
  }
}

void Buffer::flush() {
  (void)writeAll(fd_, data_, len_);  // a failed write drops the text silently
  len_ = 0;
}

void Buffer::appendUnsigned(std::uint64_t v) {
  char tmp[20];
  std::size_t n = 0;
  do tmp[sizeof tmp - ++n] = static_cast<char>('0' + v % 10);
  while ((v /= 10) != 0);
  append(std::string_view(tmp + sizeof tmp - n, n));
}

void Buffer::appendSigned(std::int64_t v) {
  if (v < 0) {
    append('-');
    appendUnsigned(0 - static_cast<std::uint64_t>(v));
  } else {
    appendUnsigned(static_cast<std::uint64_t>(v));
  }
}

void Buffer::append(Hex h) {
  char tmp[16];
  std::size_t n = 0;
  std::uint64_t v = h.value;
  do tmp[sizeof tmp - ++n] = "0123456789abcdef"[v & 15];
  while ((v >>= 4) != 0);
  append(std::string_view(tmp + sizeof tmp - n, n));
}

void Buffer::append(double v) {
  char tmp[kFloatTextMax];
  append(std::string_view(tmp, floatText(v, tmp)));
}

void Buffer::append(float v) {
  char tmp[kFloatTextMax];
  append(std::string_view(tmp, floatText(v, tmp)));
}

}  // namespace zevra_harness

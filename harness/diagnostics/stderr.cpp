#include "harness/diagnostics/stderr.hpp"

#include <atomic>
#include <mutex>

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

StderrBuffer::StderrBuffer() : OwnedBuffer(2) {
  if (deferred.empty()) return;
  std::string_view text = deferred;
  deferred = {};
  append(text);
}

}  // namespace zevra_harness

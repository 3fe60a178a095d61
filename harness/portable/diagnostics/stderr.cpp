#include "harness/portable/diagnostics/stderr.hpp"

#include <time.h>

#include <atomic>
#include <chrono>

#include "harness/portable/platform/mutex.hpp"

namespace zevra_harness::detail {
namespace {

constinit RecursiveMutex stderr_mutex;
constinit std::atomic<ClearHook> clear_hook{nullptr};
constinit std::string_view deferred;  // guarded by stderr_mutex

// Far longer than any holder keeps the lock for one message or one frame.
constexpr auto kSignalHandlerPatience = std::chrono::milliseconds(200);

void clearDrawing() {
  if (ClearHook hook = clear_hook.load(std::memory_order_acquire)) hook();
}

}  // namespace

StderrLock::StderrLock() {
  stderr_mutex.lock();
  clearDrawing();
}

StderrLock::StderrLock(InSignalHandler) {
  // Only calls a handler may make: a try-lock, the monotonic clock, nanosleep.
  const auto give_up = std::chrono::steady_clock::now() + kSignalHandlerPatience;
  while (!stderr_mutex.try_lock()) {
    if (std::chrono::steady_clock::now() >= give_up) {
      held_ = false;
      break;
    }
    const timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
  clearDrawing();
}

StderrLock::~StderrLock() {
  if (held_) stderr_mutex.unlock();
}

void setStderrClearHook(ClearHook hook) { clear_hook.store(hook, std::memory_order_release); }

void deferToNextPrint(std::string_view text) { deferred = text; }

StderrBuffer::StderrBuffer() : OwnedBuffer(2) {
  if (deferred.empty()) return;
  std::string_view text = deferred;
  deferred = {};
  append(text);
}

}  // namespace zevra_harness::detail

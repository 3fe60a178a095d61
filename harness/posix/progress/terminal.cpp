#include "harness/posix/progress/terminal.hpp"

#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "harness/base/utf8.hpp"
#include "harness/base/write_all.hpp"
#include "harness/portable/diagnostics/stderr.hpp"
#include "harness/portable/platform/stack_trace.hpp"
#include "harness/posix/fault_handler.hpp"
#include "harness/posix/progress/frame.hpp"
#include "harness/posix/progress/interrupts.hpp"
#include "harness/posix/signal_trace.hpp"
#include "zevra_harness/log.hpp"

namespace zevra_harness::detail::progress {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFirstDrawing = std::chrono::milliseconds(200);
constexpr auto kRedraw = std::chrono::milliseconds(80);
constexpr std::size_t kThreadStack = 256 * 1024;
constexpr unsigned short kDefaultColumns = 80;

// A label copied into fixed storage, so that the drawing never depends on
// how long the caller keeps its text; cut on a character boundary.
template <std::size_t N>
class LabelCopy {
 public:
  void set(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size()) {
      std::size_t step = decodeUtf8(s, n).length;
      if (n + step > N) break;
      n += step;
    }
    std::copy_n(s.data(), n, data_);  // an empty view may have no data at all
    len_ = n;
  }
  std::string_view view() const { return {data_, len_}; }

 private:
  char data_[N];
  std::size_t len_ = 0;
};

// What the runner reports and the drawing thread reads, under `mutex`.
struct Display {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  LabelCopy<256> root;
  LabelCopy<1024> item;
  std::size_t completed = 0;
  std::size_t total = 0;
  Clock::time_point started;
  pthread_t thread{};
};
// Built by the first start: a run that draws nothing never constructs it
// (its condition variable has no constant initialiser, and constructing it
// at load time faults in its code and data pages).
Display& display() {
  static Display instance;
  return instance;
}

// Whether a frame is on the screen; changed only with the standard-error
// lock held, by the drawing thread and by the clear hook (which a signal
// handler may run without the lock, after waiting for it in vain).
std::atomic<bool> drawn{false};

// Where the drawing thread's signal handlers run (see fault_handler.hpp).
[[gnu::section(".lbss.zevra_alt_stack")]] alignas(16) constinit std::byte
    drawing_alt_stack[kAlternateStackBytes];

// The drawing thread takes the standard-error lock to draw; the hook must
// not clear the frame that thread is about to replace.
thread_local bool on_drawing_thread = false;

// The clear hook: runs with the standard-error lock held, before any other
// text, also from the fault and interrupt handlers (so it only writes).
void clearDrawing() {
  if (on_drawing_thread || !drawn.load(std::memory_order_relaxed)) return;
  (void)writeAll(2, kClearDrawing.data(), kClearDrawing.size());
  drawn.store(false, std::memory_order_relaxed);
}

std::size_t terminalColumns() {
  winsize size{};
  if (::ioctl(2, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

void* drawLoop(void*) {
  on_drawing_thread = true;
  const AlternateSignalStack alt_stack(drawing_alt_stack);
  (void)threadStackEnd();
  char frame[kFrameBytes];
  Display& d = display();
  std::unique_lock lock(d.mutex);
  Clock::time_point next = d.started + kFirstDrawing;
  while (!d.wake.wait_until(lock, next, [&d] { return d.stop; })) {
    FrameContent content{d.root.view(), d.completed, d.total, d.item.view()};
    std::size_t n = composeFrame(content, terminalColumns(), frame);
    lock.unlock();
    {
      StderrLock stderr_lock;
      (void)writeAll(2, frame, n);  // like every print: a failed write is dropped
      drawn.store(true, std::memory_order_relaxed);
    }
    lock.lock();
    // After a stall (a blocked terminal) draw once more, not a burst.
    next = std::max(next + kRedraw, Clock::now());
  }
  return nullptr;
}

}  // namespace

bool terminalAcceptsEscapes() {
  if (::isatty(2) != 1) return false;
  const char* term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

bool terminalStart(std::string_view root_label, std::size_t total) {
  Display& d = display();
  {
    std::lock_guard lock(d.mutex);
    d.stop = false;
    d.root.set(root_label);
    d.item.set({});
    d.completed = 0;
    d.total = total;
    d.started = Clock::now();
  }
  setStderrClearHook(&clearDrawing);
  pthread_attr_t attr;
  int err = ::pthread_attr_init(&attr);
  if (err == 0) {
    (void)::pthread_attr_setstacksize(&attr, kThreadStack);
    const sigset_t before = blockInterrupts();
    err = ::pthread_create(&d.thread, &attr, &drawLoop, nullptr);
    (void)::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    (void)::pthread_attr_destroy(&attr);
  }
  if (err == 0) {
    takeInterrupts();
    return true;
  }
  setStderrClearHook(nullptr);
  const char* reason = ::strerrorname_np(err);
  log(Level::warn, "default", "progress display not started: no thread ({})",
      std::string_view(reason != nullptr ? reason : "unknown error"));
  return false;
}

void terminalItemBegin(std::string_view label) {
  Display& d = display();
  std::lock_guard lock(d.mutex);
  d.item.set(label);
}

void terminalItemEnd() {
  Display& d = display();
  std::lock_guard lock(d.mutex);
  ++d.completed;
  d.item.set({});
}

void terminalEnd() {
  giveBackInterrupts();
  Display& d = display();
  {
    std::lock_guard lock(d.mutex);
    d.stop = true;
  }
  d.wake.notify_one();
  (void)::pthread_join(d.thread, nullptr);
  // Taking the lock runs the hook, which clears the last frame; the hook is
  // removed before anyone else can print.
  StderrLock lock;
  setStderrClearHook(nullptr);
}

}  // namespace zevra_harness::detail::progress

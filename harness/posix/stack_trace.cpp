#include "harness/portable/platform/stack_trace.hpp"

#include <backtrace.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "harness/portable/diagnostics/format.hpp"
#include "harness/posix/demangle.hpp"
#include "harness/posix/signal_trace.hpp"
#include "harness/posix/stack_mapping.hpp"

extern "C" void* __libc_stack_end;  // NOLINT: glibc's end of the main thread's stack

namespace zevra_harness::detail {
namespace {

bool onMainThread() { return ::gettid() == ::getpid(); }

// Upper bound of the calling thread's stack, so the walk never reads past it;
// 0 until looked up.
thread_local std::uintptr_t stack_high = 0;

// Calls `visit(return_address)` for each frame outwards while it returns true.
template <typename Visit>
void walk(std::uintptr_t fp, std::uintptr_t low, std::uintptr_t high, std::size_t skip,
          Visit visit) {
  while (fp >= low && fp % alignof(void*) == 0 && fp + 16 <= high) {
    const auto* frame = reinterpret_cast<const std::uintptr_t*>(fp);
    std::uintptr_t ret = frame[1];
    if (ret == 0) break;
    if (skip > 0)
      --skip;
    else if (!visit(ret))
      break;
    if (frame[0] <= fp) break;  // frames only grow towards the stack's base
    fp = frame[0];
  }
}

// The symbolizer's state is built on the first printed trace; it reads the
// executable's own debug information. Once a trace has been printed with it
// (so that its tables are read), a signal handler may use it too, as long as
// no one else is inside it.
backtrace_state* symbolizer() {
  static std::once_flag once;
  static backtrace_state* state = nullptr;
  std::call_once(once, [] { state = backtrace_create_state(nullptr, 1, nullptr, nullptr); });
  return state;
}
constinit std::atomic<backtrace_state*> symbolizer_set_up{nullptr};
constinit std::atomic<bool> symbolizer_in_use{false};

struct FrameSink {
  OutputBuffer* out;
  std::uintptr_t pc;
  bool in_signal_handler;
  bool any;
};

// One frame line: "\n0x{addr} in {function}", then " ({file}:{line})" if known.
void appendFrame(FrameSink& s, const char* function, const char* file, int line) {
  format(*s.out, "\n0x{} in ", Hex{s.pc});
  if (function == nullptr)
    s.out->append("???");
  else
    appendDemangled(*s.out, function, s.in_signal_handler);
  if (file != nullptr) format(*s.out, " ({}:{})", file, line);
  s.any = true;
}

int onLine(void* data, std::uintptr_t, const char* file, int line, const char* function) {
  if (file != nullptr || function != nullptr)
    appendFrame(*static_cast<FrameSink*>(data), function, file, line);
  return 0;
}

void onSymbol(void* data, std::uintptr_t, const char* symname, std::uintptr_t, std::uintptr_t) {
  appendFrame(*static_cast<FrameSink*>(data), symname, nullptr, 0);
}

void onError(void*, const char*, int) {}

// The frame lines of `trace`, looked up in `state` (bare addresses without).
void appendFrames(OutputBuffer& out, TraceView trace, backtrace_state* state,
                  bool in_signal_handler) {
  bool exact = trace.first_is_pc;
  for (std::uintptr_t pc : trace.frames) {
    FrameSink sink{&out, pc, in_signal_handler, false};
    // A return address points after the call: look up the call itself.
    std::uintptr_t lookup = exact ? pc : pc - 1;
    exact = false;
    if (state != nullptr) {
      backtrace_pcinfo(state, lookup, onLine, onError, &sink);
      if (!sink.any) backtrace_syminfo(state, lookup, onSymbol, onError, &sink);
    }
    if (!sink.any) format(out, "\n0x{} in ???", Hex{pc});
  }
}

void appendCapture(OutputBuffer& out, const StackCapture& trace, backtrace_state* state,
                   bool in_signal_handler) {
  appendFrames(out, trace.innermost(), state, in_signal_handler);
  if (trace.leftOut() != 0) format(out, "\n({} frames left out)", trace.leftOut());
  std::uintptr_t room[StackCapture::kKept];
  appendFrames(out, trace.outermost(room), state, in_signal_handler);
  if (trace.total() == 0) out.append('\n');
}

// Runs `append(state)` with the symbolizer marked as in use, and marks it
// set up for signal handlers afterwards.
template <typename Append>
void withSymbolizer(bool any_frames, Append append) {
  backtrace_state* state = any_frames ? symbolizer() : nullptr;
  symbolizer_in_use.store(true, std::memory_order_relaxed);
  append(state);
  symbolizer_in_use.store(false, std::memory_order_release);
  if (state != nullptr) symbolizer_set_up.store(state, std::memory_order_release);
}

}  // namespace

std::size_t captureStackTrace(std::span<std::uintptr_t> out, std::size_t skip) {
  auto fp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  std::size_t n = 0;
  walk(fp, fp, threadStackEnd(), skip, [&](std::uintptr_t pc) {
    out[n++] = pc;
    return n < out.size();
  });
  return n;
}

void captureStack(StackCapture& out, std::size_t skip) {
  auto fp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  walk(fp, fp, threadStackEnd(), skip, [&](std::uintptr_t pc) {
    out.add(pc);
    return true;
  });
}

void captureStackInSignalHandler(std::uintptr_t frame_pointer, std::uintptr_t stack_pointer,
                                 StackCapture& out) {
  // The thread's bound if it is known; else the end of the mapping that holds
  // the frame (a thread the harness did not start).
  std::uintptr_t high =
      onMainThread() ? reinterpret_cast<std::uintptr_t>(__libc_stack_end) : stack_high;
  if (high == 0) high = stackMappingEnd(frame_pointer);
  walk(frame_pointer, stack_pointer, high, 0, [&](std::uintptr_t pc) {
    out.add(pc);
    return true;
  });
}

std::uintptr_t threadStackEnd() {
  if (stack_high == 0) {
    if (onMainThread()) {
      stack_high = reinterpret_cast<std::uintptr_t>(__libc_stack_end);
    } else {
      pthread_attr_t attr;
      void* base = nullptr;
      std::size_t size = 0;
      if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstack(&attr, &base, &size);
        pthread_attr_destroy(&attr);
      }
      stack_high = reinterpret_cast<std::uintptr_t>(base) + size;
    }
  }
  return stack_high;
}

void appendTrace(OutputBuffer& out, TraceView trace) {
  // Every frame line starts with a newline, so the trace as a whole is a
  // newline followed by its frames.
  withSymbolizer(!trace.frames.empty(),
                 [&](backtrace_state* state) { appendFrames(out, trace, state, false); });
  if (trace.frames.empty()) out.append('\n');
}

void appendTrace(OutputBuffer& out, const StackCapture& trace) {
  withSymbolizer(trace.total() != 0,
                 [&](backtrace_state* state) { appendCapture(out, trace, state, false); });
}

void appendTraceInSignalHandler(OutputBuffer& out, const StackCapture& trace) {
  // Never released: the handler ends the process.
  backtrace_state* state = symbolizer_set_up.load(std::memory_order_acquire);
  if (state != nullptr && symbolizer_in_use.exchange(true, std::memory_order_acquire))
    state = nullptr;
  appendCapture(out, trace, state, true);
}

}  // namespace zevra_harness::detail

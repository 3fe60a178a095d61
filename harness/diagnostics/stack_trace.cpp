#include "harness/diagnostics/stack_trace.hpp"

#include <backtrace.h>
#include <cxxabi.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "harness/diagnostics/format.hpp"

extern "C" void* __libc_stack_end;  // NOLINT: glibc's end of the main thread's stack

namespace zevra_harness {
namespace {

// Upper bound of the calling thread's stack, so the walk never reads past it.
std::uintptr_t stackHigh() {
  static thread_local std::uintptr_t high = 0;
  if (high == 0) {
    if (::gettid() == ::getpid()) {
      high = reinterpret_cast<std::uintptr_t>(__libc_stack_end);
    } else {
      pthread_attr_t attr;
      void* base = nullptr;
      std::size_t size = 0;
      if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstack(&attr, &base, &size);
        pthread_attr_destroy(&attr);
      }
      high = reinterpret_cast<std::uintptr_t>(base) + size;
    }
  }
  return high;
}

std::size_t walk(std::uintptr_t fp, std::uintptr_t low, std::uintptr_t high,
                 std::span<std::uintptr_t> out, std::size_t skip) {
  std::size_t n = 0;
  while (n < out.size() && fp >= low && fp % alignof(void*) == 0 && fp + 16 <= high) {
    const auto* frame = reinterpret_cast<const std::uintptr_t*>(fp);
    std::uintptr_t ret = frame[1];
    if (ret == 0) break;
    if (skip > 0)
      --skip;
    else
      out[n++] = ret;
    if (frame[0] <= fp) break;  // frames only grow towards the stack's base
    fp = frame[0];
  }
  return n;
}

// The symbolizer's state is built on the first printed trace; it reads the
// executable's own debug information.
backtrace_state* symbolizer() {
  static std::once_flag once;
  static backtrace_state* state = nullptr;
  std::call_once(once, [] { state = backtrace_create_state(nullptr, 1, nullptr, nullptr); });
  return state;
}

struct FrameSink {
  OutputBuffer* out;
  std::uintptr_t pc;
  bool any;
};

void appendFunction(OutputBuffer& out, const char* name) {
  if (name == nullptr) {
    out.append("???");
    return;
  }
  int status = 0;
  char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  out.append(demangled != nullptr ? demangled : name);
  std::free(demangled);
}

// One frame line: "\n0x{addr} in {function}", then " ({file}:{line})" if known.
void appendFrame(FrameSink& s, const char* function, const char* file, int line) {
  format(*s.out, "\n0x{} in ", Hex{s.pc});
  appendFunction(*s.out, function);
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

}  // namespace

std::size_t captureStackTrace(std::span<std::uintptr_t> out, std::size_t skip) {
  auto fp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  return walk(fp, fp, stackHigh(), out, skip);
}

std::size_t captureStackTraceFrom(std::uintptr_t frame_pointer, std::uintptr_t stack_low,
                                  std::span<std::uintptr_t> out) {
  return walk(frame_pointer, stack_low, stackHigh(), out, 0);
}

void appendTrace(OutputBuffer& out, TraceView trace) {
  // Every frame line starts with a newline, so the trace as a whole is a
  // newline followed by its frames.
  backtrace_state* state = trace.frames.empty() ? nullptr : symbolizer();
  bool exact = trace.first_is_pc;
  for (std::uintptr_t pc : trace.frames) {
    FrameSink sink{&out, pc, false};
    // A return address points after the call: look up the call itself.
    std::uintptr_t lookup = exact ? pc : pc - 1;
    exact = false;
    if (state != nullptr) {
      backtrace_pcinfo(state, lookup, onLine, onError, &sink);
      if (!sink.any) backtrace_syminfo(state, lookup, onSymbol, onError, &sink);
    }
    if (!sink.any) format(out, "\n0x{} in ???", Hex{pc});
  }
  if (trace.frames.empty()) out.append('\n');
}

}  // namespace zevra_harness

#pragma once
// Formatted output to standard error under one process-wide lock. Formats use
// "{}" for each argument in its default form: integers in decimal, `Hex` in
// lower-case hexadecimal, floats in the shortest round-trip scientific form,
// strings byte for byte, traces as a newline and one line per frame.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "harness/diagnostics/stack_trace.hpp"

namespace zevra_harness {

struct Hex {
  std::uint64_t value;
};

// Holds the standard-error lock (recursive: a fatal stop inside a print still
// reports). Taking it first clears the progress drawing.
class StderrLock {
 public:
  StderrLock();
  ~StderrLock();
  StderrLock(const StderrLock&) = delete;
  StderrLock& operator=(const StderrLock&) = delete;
};

// A small stack buffer that flushes to a file descriptor when full and at the
// end; a failed write drops the text silently.
class Buffer {
 public:
  // A buffer for standard error (the lock held) starts with any deferred text.
  explicit Buffer(int fd = 2) : fd_(fd) {
    if (fd == 2) takeDeferred();
  }
  ~Buffer() { flush(); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  void append(std::string_view s);
  void append(char c) { append(std::string_view(&c, 1)); }
  void append(std::unsigned_integral auto v) { appendUnsigned(static_cast<std::uint64_t>(v)); }
  void append(std::signed_integral auto v) { appendSigned(static_cast<std::int64_t>(v)); }
  void append(bool) = delete;
  void append(Hex h);
  void append(double v);
  void append(float v);
  void append(TraceView t) { appendTrace(*this, t); }
  void append(const char* s) { append(std::string_view(s)); }
  void flush();

 private:
  void takeDeferred();
  void appendUnsigned(std::uint64_t v);
  void appendSigned(std::int64_t v);
  int fd_;
  std::size_t len_ = 0;
  char data_[1024];
};

void formatPlaceholdersDoNotMatchArguments();  // never defined: a build-time error

// A format string whose "{}" count is checked against the arguments when the
// program is built.
template <typename... Args>
struct Format {
  std::string_view text;
  consteval Format(const char* s) : text(s) {  // NOLINT: implicit on purpose
    std::size_t holes = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == '{' && text[i + 1] == '}') ++holes, ++i;
    if (holes != sizeof...(Args)) formatPlaceholdersDoNotMatchArguments();
  }
};

namespace detail {
inline void appendFormatted(Buffer& out, std::string_view fmt) { out.append(fmt); }
template <typename A, typename... Rest>
void appendFormatted(Buffer& out, std::string_view fmt, const A& a, const Rest&... rest) {
  std::size_t hole = fmt.find("{}");
  out.append(fmt.substr(0, hole));
  out.append(a);
  appendFormatted(out, fmt.substr(hole + 2), rest...);
}
}  // namespace detail

// Formats into `out` (the caller holds the lock and owns the buffer).
template <typename... Args>
void format(Buffer& out, Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
  detail::appendFormatted(out, fmt.text, args...);
}

// Prints to standard error under the lock, as one write where it fits.
template <typename... Args>
void print(Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
  StderrLock lock;
  Buffer out;
  detail::appendFormatted(out, fmt.text, args...);
}

// Holds `text` (a literal) back until the next print to standard error,
// which starts with it; lets the runner send a test's "OK" together with the
// next line in one write. Call with the lock held.
void deferToNextPrint(std::string_view text);

// Hook the progress display installs: called with the lock held before any
// other text goes to standard error, so that drawing and text never mix.
using ClearHook = void (*)();
void setStderrClearHook(ClearHook hook);

}  // namespace zevra_harness

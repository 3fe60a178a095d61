#include "harness/portable/diagnostics/fatal.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/stderr.hpp"
#include "harness/portable/platform/stack_trace.hpp"
#include "harness/portable/platform/thread_id.hpp"

namespace zevra_harness::detail {
namespace {
constinit std::atomic<int> panicking{0};
}

void fatal(std::string_view message) {
  if (panicking.fetch_add(1) != 0) {
    static constexpr char text[] = "aborting due to recursive panic\n";
    (void)!::write(2, text, sizeof text - 1);
    std::abort();
  }
  StackCapture frames;
  captureStack(frames, 1);  // from the caller of fatal
  {
    StderrLock lock;
    StderrBuffer out;
    // The trace starts with the newline that ends the panic line.
    format(out, "thread {} panic: {}", currentThreadId(), message);
    appendTrace(out, frames);
    out.append('\n');
  }
  std::abort();
}

}  // namespace zevra_harness::detail

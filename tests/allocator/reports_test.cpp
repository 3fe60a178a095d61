// Golden files mask traces, and a masked trace swallows the text that follows
// its last frame on the same line (" First free: "). Here each report of a
// private allocator is captured from standard error and matched whole: the
// fixed text, and each trace as a newline and one "0x{x} in ..." line per frame.
#include "tests/allocator/reports_test.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <regex>
#include <string>

#include "harness/portable/allocator/debug_allocator.hpp"
#include "harness/portable/core/session.hpp"
#include "zevra_harness/log.hpp"
#include "zevra_harness/testing.hpp"

namespace reports_test {
namespace {

using zevra_harness::expect;
using zevra_harness::Status;
using zevra_harness::detail::DebugAllocator;

// Standard error goes to an in-memory file until `take`.
class StderrCapture {
 public:
  StderrCapture() : file_(::memfd_create("stderr", 0)), saved_(::dup(2)) { ::dup2(file_, 2); }
  ~StderrCapture() { restore(); }
  std::string take() {
    restore();
    std::string text(static_cast<std::size_t>(::lseek(file_, 0, SEEK_END)), '\0');
    if (::pread(file_, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
      text = "(read failed)";
    return text;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
  }
  int file_;
  int saved_;
};

// "T" in the pattern stands for one trace.
bool matches(const std::string& text, std::string pattern) {
  const std::string trace = R"((?:\n0x[0-9a-f]+ in [^\n]*?)+)";
  std::string re;
  for (char c : pattern) {
    if (c == 'T')
      re += trace;
    else if (std::string_view("[](){}.*+?^$|\\").find(c) != std::string_view::npos)
      re += {'\\', c};
    else
      re += c;
  }
  return std::regex_match(text, std::regex(re));
}

bool unmapped(const void* p) {
  unsigned char resident = 0;
  auto page = reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{4095};
  return ::mincore(reinterpret_cast<void*>(page), 4096, &resident) != 0 && errno == ENOMEM;
}

// Pairs of the size class of the reports below from a place of its own,
// enough to send every slot through the quarantine: the traces of earlier
// churns lose their last record, and their ids serve new traces.
[[gnu::noinline]] void churn(DebugAllocator& a) {
  for (int i = 0; i < 3000; ++i) a.free(a.alloc(24, 8).value(), 24, 8);
}

}  // namespace

Status reportLayout() {
  std::size_t errors_before = zevra_harness::detail::session().log_err_count;
  DebugAllocator a;
  std::string doubled, sized, aligned, leaked;
  DebugAllocator::Check check{};
  // Held through every churn, and reported as leaked at the end.
  void* kept = a.alloc(24, 8).value();
  {
    StderrCapture capture;
    void* p = a.alloc(24, 8).value();
    a.free(p, 24, 8);
    a.free(p, 24, 8);
    doubled = capture.take();
  }
  {
    StderrCapture capture;
    void* p = a.alloc(24, 8).value();
    a.free(p, 25, 8);
    sized = capture.take();
  }
  {
    StderrCapture capture;
    void* p = a.alloc(24, 8).value();
    a.free(p, 24, 4);
    aligned = capture.take();
  }
  churn(a);
  churn(a);
  churn(a);
  {
    StderrCapture capture;
    check = a.deinit();
    leaked = capture.take();
  }
  std::size_t logged = zevra_harness::detail::session().log_err_count - errors_before;
  // These reports were provoked on purpose: they are not errors of this run.
  zevra_harness::detail::session().log_err_count = errors_before;

  ZEVRA_TRY(expect(matches(
      doubled, "[gpa] (err): Double free detected. Allocation: T First free: T Second free: T\n")));
  ZEVRA_TRY(expect(
      matches(sized,
              "[gpa] (err): Allocation size 24 bytes does not match free size 25. Allocation: T "
              "Free: T\n")));
  ZEVRA_TRY(expect(
      matches(aligned,
              "[gpa] (err): Allocation alignment 8 does not match free alignment 4. Allocation: "
              "T Free: T\n")));
  char address[32];
  std::snprintf(address, sizeof address, "%lx",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(kept)));
  ZEVRA_TRY(expect(
      matches(leaked, "[gpa] (err): memory address 0x" + std::string(address) + " leaked: T\n")));
  // Its own trace, whatever became of the churns' traces.
  const std::size_t first_frame = leaked.find(" leaked: \n") + 10;
  const std::string_view frame(leaked.data() + first_frame,
                               leaked.find('\n', first_frame) - first_frame);
  ZEVRA_TRY(expect(frame.find(" in reports_test::reportLayout()") != std::string_view::npos &&
                   leaked.find("churn") == std::string::npos));
  ZEVRA_TRY(expect(check == DebugAllocator::Check::leak));
  ZEVRA_TRY(expect(logged == 4));
  ZEVRA_TRY(expect(unmapped(kept)));  // deinit gave the leaked pages back
  ZEVRA_TRY(expect(a.deinit() == DebugAllocator::Check::ok));
  return {};
}

}  // namespace reports_test

#pragma once
// The JUnit XML report: one testcase per test run, its classname the module
// part of the full name (before ".test."), its name the rest, its time in
// seconds; failure (fail, leak, errors), error (crash, timeout, broken) and
// skipped elements; the run's standard error in system-err. Every name and
// text is escaped, UTF-8 kept, and what XML 1.0 cannot hold (most control
// characters, malformed UTF-8) replaced with U+FFFD. The pieces are written
// as the runs end (junit_file.hpp).

#include <chrono>
#include <string>
#include <string_view>

#include "console_report.hpp"
#include "run_result.hpp"

namespace zevra_test {

// The XML declaration and the opening testsuites and testsuite elements
// with their counts (a cause counts as one more error), without a newline.
std::string junitHead(std::string_view suite, const Tally& tally, bool with_cause,
                      std::chrono::nanoseconds elapsed);
std::string junitTestcase(std::string_view full_name, const RunResult& r);
// The testcase "zevra-test" / "the run" with an error: why the run ended
// early (status 2, or a signal); the first line is its message.
std::string junitCause(std::string_view cause);
inline constexpr std::string_view kJunitTail = "  </testsuite>\n</testsuites>\n";

}  // namespace zevra_test

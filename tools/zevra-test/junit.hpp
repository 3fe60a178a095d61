#pragma once
// The JUnit XML report: one testcase per test run, its classname the module
// part of the full name (before ".test."), its name the rest, its time in
// seconds; failure (fail, leak, errors), error (crash, timeout) and skipped
// elements; the run's standard error in system-err. Every name and text is
// escaped, UTF-8 kept, and what XML 1.0 cannot hold (most control
// characters, malformed UTF-8) replaced with U+FFFD.

#include <chrono>
#include <span>
#include <string>
#include <string_view>

#include "run_result.hpp"

namespace zevra_test {

std::string junitReport(std::string_view suite, std::span<const std::string> names,
                        std::span<const RunResult> results, std::chrono::nanoseconds elapsed);

}  // namespace zevra_test

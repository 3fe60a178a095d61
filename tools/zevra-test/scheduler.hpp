#pragma once
// The runs of a whole invocation spread over up to N servers by one thread:
// each server runs one test at a time (so that what it writes to standard
// error while a test runs belongs to that test), a server that dies or falls
// silent during a test is replaced by a fresh one, and the run goes on.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "run_result.hpp"
#include "server_process.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

struct SchedulerSettings {
  std::string executable;
  std::uint32_t jobs = 1;
  std::chrono::milliseconds timeout{};
};

// Called as each run ends, with the run's position in `runs`.
using ResultSink = std::function<void(std::size_t position, RunResult result)>;

// Runs the registry indices `runs` on `first` (a server past its version
// message) and up to jobs - 1 more. The error is a server that misbehaved
// beyond one test: a malformed answer, or a fresh server that did not start.
std::expected<void, std::string> runTests(ServerProcess first, std::span<const std::uint32_t> runs,
                                          const SchedulerSettings& settings,
                                          const ResultSink& sink);

}  // namespace zevra_test

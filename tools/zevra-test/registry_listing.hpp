#pragma once
// The first server of a run: started, announced, and asked for the names of
// the registered tests. Whatever stops that (no such file, not a test runner,
// a malformed list, silence past the time limit) is one line naming the
// problem.

#include <chrono>
#include <string>
#include <vector>

#include "server_process.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

struct Listing {
  ServerProcess server;  // ready for run_test
  std::vector<std::string> names;
};

std::expected<Listing, std::string> listRegistry(const std::string& executable,
                                                 std::chrono::milliseconds timeout);

// "1 s", "0.25 s": a time limit in an error message.
std::string limitText(std::chrono::milliseconds limit);

}  // namespace zevra_test

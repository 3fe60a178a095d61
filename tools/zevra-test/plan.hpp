#pragma once
// Which registered tests run, and in what order: the selection (filters,
// exact names, exclusions), the shard, and the shuffle.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

// Registry indices in run order, each once (--repeat is the scheduler's).
// Fails on an --exact name that no test has.
std::expected<std::vector<std::uint32_t>, std::string> planTests(std::span<const std::string> names,
                                                                 const Options& options);

}  // namespace zevra_test

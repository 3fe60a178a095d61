#pragma once
// Which registered tests run, and in what order: the selection (filters,
// exact names, indices, exclusions), the shard, the shuffle, and the repeats.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

// The runs of an invocation, produced as they are needed: run p is test
// order[p % order.size()], whatever the number of repeats.
struct Plan {
  std::vector<std::uint32_t> order;  // registry indices, each once
  std::uint32_t repeat = 1;
  std::uint64_t total() const { return std::uint64_t{order.size()} * repeat; }
  std::uint32_t at(std::uint64_t run) const { return order[run % order.size()]; }
};

// Fails on an --exact name that no test has, or an --index past the registry
// or whose digest is not its test's.
std::expected<Plan, std::string> planTests(std::span<const std::string_view> names,
                                           const Options& options);

}  // namespace zevra_test

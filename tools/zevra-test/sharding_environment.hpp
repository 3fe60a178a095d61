#pragma once
// The sharding that distributed test runners set in the environment, taken
// when the command line gives no --shard and names no test (--exact,
// --index): Bazel's TEST_TOTAL_SHARDS and
// TEST_SHARD_INDEX (from 0; TEST_SHARD_STATUS_FILE is touched to say that
// sharding is understood, and XML_OUTPUT_FILE names the JUnit report when
// --junit does not), else GoogleTest's GTEST_TOTAL_SHARDS and
// GTEST_SHARD_INDEX (and GTEST_SHARD_STATUS_FILE).

#include <string>

#include "command_line.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

// The error is one line naming the variable at fault.
std::expected<void, std::string> applyShardingEnvironment(Options& options);

}  // namespace zevra_test

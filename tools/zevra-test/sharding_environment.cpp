#include "sharding_environment.hpp"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace zevra_test {
namespace {

std::string_view variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool parseUnsigned(std::string_view text, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc{} && at == end;
}

// TOTAL and INDEX of one runner's naming, with its status file.
std::expected<void, std::string> takeShard(Options& options, const char* total_name,
                                           const char* index_name, const char* status_name) {
  const std::string_view total_text = variable(total_name);
  const std::string_view index_text = variable(index_name);
  std::uint32_t total = 0, index = 0;
  if (!parseUnsigned(total_text, total) || total == 0)
    return std::unexpected("bad value for " + std::string(total_name) + ": \"" +
                           std::string(total_text) + "\" (expected a whole number of at least 1)");
  if (!parseUnsigned(index_text, index) || index >= total)
    return std::unexpected("bad value for " + std::string(index_name) + ": \"" +
                           std::string(index_text) + "\" (expected 0 to " +
                           std::to_string(total - 1) + ", as " + total_name + " is " +
                           std::to_string(total) + ")");
  options.shard = Shard{.index = index + 1, .count = total};
  if (const std::string_view status = variable(status_name); !status.empty()) {
    const int fd = ::open(std::string(status).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
      return std::unexpected("cannot touch " + std::string(status_name) + " " +
                             std::string(status) + ": " + ::strerror(errno));
    ::close(fd);
  }
  return {};
}

}  // namespace

std::expected<void, std::string> applyShardingEnvironment(Options& options) {
  if (options.junit_path.empty()) options.junit_path = variable("XML_OUTPUT_FILE");
  // Tests named one by one always run: a CTest test inside a sharded job
  // must not pass by running nothing.
  if (options.shard || !options.exact.empty() || !options.indices.empty()) return {};
  if (!variable("TEST_TOTAL_SHARDS").empty())
    return takeShard(options, "TEST_TOTAL_SHARDS", "TEST_SHARD_INDEX", "TEST_SHARD_STATUS_FILE");
  if (!variable("GTEST_TOTAL_SHARDS").empty())
    return takeShard(options, "GTEST_TOTAL_SHARDS", "GTEST_SHARD_INDEX", "GTEST_SHARD_STATUS_FILE");
  return {};
}

}  // namespace zevra_test

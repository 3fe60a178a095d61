#include "plan.hpp"

#include <algorithm>
#include <utility>

#include "names.hpp"
#include "pattern.hpp"

namespace zevra_test {
namespace {

// SplitMix64: a fixed sequence for a seed on every machine and library,
// unlike the standard distributions.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_;
};

bool anyMatches(std::span<const std::string> patterns, std::string_view name) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const std::string& p) { return matchesPattern(p, name); });
}

struct Named {
  std::vector<std::string> names;  // resolved --exact arguments
  std::vector<std::uint32_t> indices;
  bool any() const { return !names.empty() || !indices.empty(); }
};

bool selected(const Options& o, const Named& named, std::string_view name, std::uint32_t i) {
  if (named.any() && std::find(named.names.begin(), named.names.end(), name) == named.names.end() &&
      std::find(named.indices.begin(), named.indices.end(), i) == named.indices.end())
    return false;
  if (!o.filters.empty() && !anyMatches(o.filters, name)) return false;
  return !anyMatches(o.excludes, name);
}

}  // namespace

std::expected<Plan, std::string> planTests(std::span<const std::string_view> names,
                                           const Options& options) {
  const auto known = [&](std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  Named named;
  // An --exact argument is a full name, or else the escaped form --list prints.
  for (const std::string& argument : options.exact) {
    if (known(argument)) {
      named.names.push_back(argument);
    } else if (auto unescaped = unescapeName(argument); unescaped && known(*unescaped)) {
      named.names.push_back(std::move(*unescaped));
    } else {
      return std::unexpected("no registered test is named \"" + escapeName(argument) + "\"");
    }
  }
  for (const IndexedTest& t : options.indices) {
    if (t.index >= names.size())
      return std::unexpected("no registered test has index " + std::to_string(t.index) + " (" +
                             std::to_string(names.size()) + " tests)");
    if (t.digest && *t.digest != nameDigest(names[t.index]))
      return std::unexpected("test " + std::to_string(t.index) + " is now \"" +
                             escapeName(names[t.index]) +
                             "\", not the test its digest names (list the tests again)");
    named.indices.push_back(t.index);
  }

  Plan plan;
  plan.repeat = options.repeat;
  std::size_t position = 0;  // among the selected tests, for the shard
  for (std::uint32_t i = 0; i < names.size(); ++i) {
    if (!selected(options, named, names[i], i)) continue;
    if (!options.shard || position % options.shard->count == options.shard->index - 1)
      plan.order.push_back(i);
    ++position;
  }
  if (options.shuffle_seed) {
    // Fisher-Yates from the back; the modulo's bias is negligible for any
    // registry size and keeps the order simple to reproduce.
    SplitMix64 random(*options.shuffle_seed);
    for (std::size_t i = plan.order.size(); i > 1; --i)
      std::swap(plan.order[i - 1], plan.order[random.next() % i]);
  }
  return plan;
}

}  // namespace zevra_test

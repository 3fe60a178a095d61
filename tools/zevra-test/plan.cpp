#include "plan.hpp"

#include <algorithm>
#include <utility>

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

bool anyMatches(std::span<const std::string> patterns, const std::string& name) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const std::string& p) { return matchesPattern(p, name); });
}

bool selected(const Options& o, const std::string& name) {
  if (!o.exact.empty() && std::find(o.exact.begin(), o.exact.end(), name) == o.exact.end())
    return false;
  if (!o.filters.empty() && !anyMatches(o.filters, name)) return false;
  return !anyMatches(o.excludes, name);
}

}  // namespace

std::expected<std::vector<std::uint32_t>, std::string> planTests(std::span<const std::string> names,
                                                                 const Options& options) {
  for (const std::string& name : options.exact)
    if (std::find(names.begin(), names.end(), name) == names.end())
      return std::unexpected("no registered test is named \"" + name + "\"");

  std::vector<std::uint32_t> order;
  std::size_t position = 0;  // among the selected tests, for the shard
  for (std::uint32_t i = 0; i < names.size(); ++i) {
    if (!selected(options, names[i])) continue;
    if (!options.shard || position % options.shard->count == options.shard->index - 1)
      order.push_back(i);
    ++position;
  }
  if (options.shuffle_seed) {
    // Fisher-Yates from the back; the modulo's bias is negligible for any
    // registry size and keeps the order simple to reproduce.
    SplitMix64 random(*options.shuffle_seed);
    for (std::size_t i = order.size(); i > 1; --i)
      std::swap(order[i - 1], order[random.next() % i]);
  }
  return order;
}

}  // namespace zevra_test

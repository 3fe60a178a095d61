#include "command_line.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace zevra_test {

const std::string_view kHelpText =
    R"(Usage: zevra-test [OPTIONS] EXE
       zevra-test --list [OPTIONS] EXE

Runs the tests registered in EXE, an executable built on the Zevra test
harness, through its build-runner protocol (EXE --listen=-): one server
process kept for many tests, a fresh one after a test crashes or times out.

  --list             print the full names of the selected tests in run order,
                     one per line, and run nothing
  --filter PATTERN   run only tests whose full name matches PATTERN; repeatable
                     (a test runs if any pattern matches). With * (any text)
                     or ? (one character) PATTERN must match the whole name;
                     without them it matches anywhere in the name
  --exclude PATTERN  do not run tests whose name matches PATTERN; repeatable
  --exact NAME       run the test whose full name is NAME, whatever characters
                     it holds; repeatable; a name no test has is an error
  --shard I/N        run only shard I of N (1 <= I <= N): of the selected tests
                     in registry order, the Ith, the (I+N)th, and so on
  --shuffle SEED     run in an order shuffled by SEED, an unsigned integer; the
                     same seed gives the same order on every machine
  --repeat N         run the selected tests N times over (default 1)
  --jobs N           run tests on N servers in parallel (default 1)
  --timeout SECONDS  time limit of each test, and of a server to announce
                     itself and list its tests (default 60; fractions allowed)
  --junit FILE       also write a JUnit XML report to FILE
  --help             print this text

An option's value may also follow an equals sign (--jobs=4); -- ends the
options. Each test prints one line, its outcome (ok, skip, fail, leak, errors,
crash, timeout), full name and details in parentheses, followed by its
standard error when it did not pass; a summary line ends the run.
Exit status: 0 when no test failed, leaked, logged an error, crashed or timed
out (skips allowed); 1 otherwise; 2 for a usage error or an executable that
cannot be driven.
)";

namespace {

std::unexpected<std::string> usage(std::string problem) {
  return std::unexpected(std::move(problem) + " (see zevra-test --help)");
}

template <typename T>
bool parseNumber(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc{} && at == end && !text.empty();
}

bool parseCount(std::string_view text, std::uint32_t& value) {
  return parseNumber(text, value) && value >= 1;
}

bool parseShard(std::string_view text, Shard& shard) {
  const auto slash = text.find('/');
  return slash != std::string_view::npos && parseCount(text.substr(0, slash), shard.index) &&
         parseCount(text.substr(slash + 1), shard.count) && shard.index <= shard.count;
}

// Positive and below a million seconds, to the millisecond (rounded up, so
// that no positive limit becomes zero).
bool parseSeconds(std::string_view text, std::chrono::milliseconds& limit) {
  double seconds = 0;
  if (text.find_first_not_of("0123456789.") != std::string_view::npos ||
      !parseNumber(text, seconds) || !(seconds > 0) || seconds >= 1e6)
    return false;
  limit = std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(seconds * 1000)));
  return true;
}

}  // namespace

std::expected<Options, std::string> parseCommandLine(std::span<const char* const> args) {
  Options o;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (options_ended || !arg.starts_with("--")) {
      if (!o.executable.empty()) return usage("more than one executable: " + std::string(arg));
      o.executable = arg;
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    // "--name", "--name VALUE" or "--name=VALUE".
    const auto eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    if (name == "--help" || name == "--list") {
      if (eq != std::string_view::npos) return usage(std::string(name) + " takes no value");
      (name == "--help" ? o.help : o.list) = true;
      continue;
    }
    constexpr std::array<std::string_view, 9> kWithValue{"--filter", "--exclude", "--exact",
                                                         "--shard",  "--shuffle", "--repeat",
                                                         "--jobs",   "--timeout", "--junit"};
    if (std::find(kWithValue.begin(), kWithValue.end(), name) == kWithValue.end())
      return usage("unknown option " + std::string(name));
    std::string_view value;
    if (eq != std::string_view::npos)
      value = arg.substr(eq + 1);
    else if (i + 1 < args.size())
      value = args[++i];
    else
      return usage(std::string(arg) + " needs a value");
    const auto bad = [&](std::string_view expected) {
      return std::unexpected("bad value for " + std::string(name) + ": \"" + std::string(value) +
                             "\" (expected " + std::string(expected) + ")");
    };
    if (name == "--filter") {
      o.filters.emplace_back(value);
    } else if (name == "--exclude") {
      o.excludes.emplace_back(value);
    } else if (name == "--exact") {
      o.exact.emplace_back(value);
    } else if (name == "--shard") {
      if (!parseShard(value, o.shard.emplace())) return bad("I/N with 1 <= I <= N");
    } else if (name == "--shuffle") {
      if (!parseNumber(value, o.shuffle_seed.emplace())) return bad("an unsigned integer");
    } else if (name == "--repeat") {
      if (!parseCount(value, o.repeat)) return bad("a whole number of at least 1");
    } else if (name == "--jobs") {
      if (!parseCount(value, o.jobs)) return bad("a whole number of at least 1");
    } else if (name == "--timeout") {
      if (!parseSeconds(value, o.timeout)) return bad("a number of seconds above 0");
    } else if (name == "--junit") {
      if (value.empty()) return bad("a file name");
      o.junit_path = value;
    }
  }
  if (!o.help && o.executable.empty()) return usage("no executable given");
  return o;
}

}  // namespace zevra_test

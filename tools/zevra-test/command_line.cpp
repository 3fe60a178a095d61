#include "command_line.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

namespace zevra_test {

const std::string_view kHelpText =
    R"(Usage: zevra-test [OPTIONS] EXE
       zevra-test --list [OPTIONS] EXE

Runs the tests registered in EXE, an executable built on the Zevra test
harness, through its build-runner protocol (EXE --listen=-): one server
process kept for many tests, a fresh one after a test crashes or times out.

  --list             print the full names of the selected tests in run order,
                     one per line, and run nothing; a backslash is printed \\,
                     control characters and bytes that are not UTF-8 \xHH
  --list-indexed     the same, each line "INDEX:DIGEST NAME" (for --index);
                     refused when two of the tests have one name
  --filter PATTERN   run only tests whose full name matches PATTERN; repeatable
                     (a test runs if any pattern matches). With * (any text)
                     or ? (one character) PATTERN must match the whole name;
                     without them it matches anywhere in the name
  --exclude PATTERN  do not run tests whose name matches PATTERN; repeatable
  --exact NAME       run the test whose full name is NAME, whatever characters
                     it holds, or NAME as --list prints it; repeatable; a name
                     no test has is an error
  --index I[:DIGEST] run the test at place I of the registry (from 0); with a
                     DIGEST from --list-indexed, only if it still has that name
  --shard I/N        run only shard I of N (1 <= I <= N): of the selected tests
                     in registry order, the Ith, the (I+N)th, and so on
  --shuffle SEED     run in an order shuffled by SEED, an unsigned integer; the
                     same seed gives the same order on every machine
  --repeat N         run the selected tests N times over (default 1)
  --jobs N           run tests on N servers in parallel (default 1)
  --timeout SECONDS  time limit of each test, and of a server to announce
                     itself and list its tests (default 60; fractions allowed)
  --junit FILE       also write a JUnit XML report to FILE
  --skip-return-code N
                     exit with status N (3 to 255) when every run skipped
  --help             print this text

An option's value may also follow an equals sign (--jobs=4); -- ends the
options. Without --shard, --exact or --index, the shard is taken from
TEST_SHARD_INDEX and TEST_TOTAL_SHARDS or GTEST_SHARD_INDEX and
GTEST_TOTAL_SHARDS (from 0), and the report from XML_OUTPUT_FILE, as
distributed test runners set them.

Each test prints one line, its outcome (ok, skip, fail, leak, errors,
crash, timeout, broken), full name and details in parentheses, followed by
its standard error when it did not pass; a summary line ends the run.
Exit status: 0 when no test failed, leaked, logged an error, crashed, timed
out or broke the protocol (skips allowed); 1 otherwise; 2 for a usage error
or an executable that cannot be driven; the --skip-return-code when every run
skipped; SIGINT, SIGTERM and SIGHUP end the servers, write the report and end
zevra-test by that signal.
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

bool parseIndexed(std::string_view text, IndexedTest& test) {
  const auto colon = text.find(':');
  if (!parseNumber(text.substr(0, colon), test.index)) return false;
  if (colon == std::string_view::npos) return true;
  const std::string_view digest = text.substr(colon + 1);
  if (digest.size() != 16 || digest.find_first_not_of("0123456789abcdef") != std::string_view::npos)
    return false;
  test.digest = std::string(digest);
  return true;
}

// Positive and below a million seconds, to the millisecond (rounded up, so
// that no positive limit becomes zero): digits with at most one point,
// parsed exactly (no floating-point parser to load at start-up).
bool parseSeconds(std::string_view text, std::chrono::milliseconds& limit) {
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  const auto digits = [](std::string_view d) {
    return d.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(whole) || !digits(fraction) || whole.size() + fraction.size() == 0) return false;
  std::int64_t seconds = 0;
  for (char c : whole) {
    seconds = seconds * 10 + (c - '0');
    if (seconds >= 1000000) return false;
  }
  std::int64_t ms = seconds * 1000;
  for (std::size_t i = 0; i < fraction.size(); ++i) {
    if (i < 3)
      ms += (fraction[i] - '0') * std::int64_t{i == 0 ? 100 : i == 1 ? 10 : 1};
    else if (fraction[i] != '0') {
      ++ms;
      break;
    }
  }
  if (ms == 0) return false;
  limit = std::chrono::milliseconds(ms);
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
    if (name == "--help" || name == "--list" || name == "--list-indexed") {
      if (eq != std::string_view::npos) return usage(std::string(name) + " takes no value");
      (name == "--help" ? o.help : name == "--list" ? o.list : o.list_indexed) = true;
      continue;
    }
    constexpr std::array<std::string_view, 11> kWithValue{
        "--filter", "--exclude", "--exact",   "--index", "--shard",           "--shuffle",
        "--repeat", "--jobs",    "--timeout", "--junit", "--skip-return-code"};
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
    } else if (name == "--index") {
      if (!parseIndexed(value, o.indices.emplace_back()))
        return bad("I or I:DIGEST, I a registry index and DIGEST 16 hex digits");
    } else if (name == "--skip-return-code") {
      std::uint32_t code = 0;
      if (!parseNumber(value, code) || code < 3 || code > 255) return bad("a status from 3 to 255");
      o.skip_return_code = static_cast<int>(code);
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
  if (o.list && o.list_indexed) return usage("--list and --list-indexed exclude each other");
  return o;
}

}  // namespace zevra_test

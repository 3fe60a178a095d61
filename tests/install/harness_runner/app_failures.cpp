// An application's failing tests on the installed harness, built as the
// application builds (exceptions on): each fails alone, printing what it
// compared, and the next one runs.
#include <memory_resource>
#include <string>
#include <vector>

#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {

using zevra_harness::expectEqual;
using zevra_harness::Status;

enum class Shading { flat, smooth, wireframe };

std::string greeting(std::string_view who) { return "hello, " + std::string(who); }

Status counts() { return expectEqual(2 + 2, 5); }
Status addsTenths() { return expectEqual(0.1 + 0.2, 0.3); }
Status greets() { return expectEqual(greeting("S³"), "hello, S3"); }
Status shades() { return expectEqual(Shading::wireframe, Shading::flat); }

// The vector's memory comes from the test's checking allocator; the throw
// unwinds through it, so nothing leaks.
Status readsPastTheEnd() {
  std::pmr::vector<int> frames({1, 2, 3}, &zevra_harness::allocator());
  return expectEqual(frames.at(3), 4);
}

constexpr auto tests = zevra_harness::testList({
    {"app.test.counts", &counts},
    {"app.test.adds tenths", &addsTenths},
    {"app.test.greets", &greets},
    {"app.test.shades", &shades},
    {"app.test.reads past the end", &readsPastTheEnd},
    {"app.test.runs after the throw", [] { return expectEqual(2 + 2, 4); }},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(tests, argc, argv); }

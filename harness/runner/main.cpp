#include "zevra_harness/main.hpp"

#include <cstddef>
#include <cstring>

#include "harness/portable/core/command_line.hpp"
#include "harness/portable/core/registry_check.hpp"
#include "harness/portable/core/runner_arena.hpp"
#include "harness/portable/core/session.hpp"
#include "harness/portable/diagnostics/fatal.hpp"
#include "harness/portable/diagnostics/format.hpp"
#include "harness/portable/diagnostics/output_buffer.hpp"
#include "harness/portable/platform/startup.hpp"
#include "harness/runner/protocol_mode.hpp"
#include "harness/runner/terminal_mode.hpp"

namespace zevra_harness::detail {
namespace {

// Copies the arguments (pointer array and texts) into the arena, so that
// parsing works on the runner's own storage.
const char* const* copyArguments(Arena& arena, int argc, char** argv) {
  auto count = static_cast<std::size_t>(argc);
  auto** copies = static_cast<const char**>(arena.alloc(count * sizeof(char*), alignof(char*)));
  if (copies == nullptr && count != 0) fatal("unable to parse command line args");
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t len = std::strlen(argv[i]) + 1;
    auto* text = static_cast<char*>(arena.alloc(len));
    if (text == nullptr) fatal("unable to parse command line args");
    std::memcpy(text, argv[i], len);
    copies[i] = text;
  }
  return copies;
}

// Two tests of one name would be one test to a runner that selects by name:
// the process does not start.
void refuseDuplicateNames(Registry registry) {
  const auto name = duplicateName(registry);
  if (!name) return;
  char text[512];
  OutputBuffer out(text, OutputBuffer::kNoDescriptor);
  format(out, "test name registered twice: \"{}\"", *name);
  fatal(out.text());
}

}  // namespace
}  // namespace zevra_harness::detail

namespace zevra_harness {

int runMain(Registry registry, int argc, char** argv) {
  using namespace detail;
  startUp();
  refuseDuplicateNames(registry);
  Arena& arena = runnerArena();
  const char* const* args = copyArguments(arena, argc, argv);
  auto options = parseCommandLine(argc, args);
  if (!options) fatal(options.error());
  session().random_seed = options->seed;
  bool listen = options->listen;
  arena.reset();
  if (listen) {
    (void)mainServer(registry);
    fatal("internal test runner failure");
  }
  return mainTerminal(registry);
}

}  // namespace zevra_harness

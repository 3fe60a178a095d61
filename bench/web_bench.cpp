// The viewer's per-frame CPU cost, natively and as WebAssembly: the same
// calls of its C interface (a pointer move with the right button and W held,
// then the frame: input, camera update, viewPGL4 and mvpGpu, the motion's
// matrix), in blocks of frames timed in turn (interleave.hpp), the
// WebAssembly module in Node (V8, the engine of Chromium's WebAssembly too),
// timed by the child around the same loop. And the page's frame time in
// chromium on SwiftShader at the scene's size, each mode of drawing in turn,
// timed in the page until the GPU has drawn the frames.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "interleave.hpp"
#include "spawn.hpp"
#include "zevra_viewer.h"

namespace {

using namespace std::chrono;

constexpr int frames_per_run = 1000;

// The frames of one run; web_bench.mjs makes the same calls.
nanoseconds nativeFrames(ZevraViewer* v, int n) {
  float sink = 0;
  const auto start = steady_clock::now();
  for (int i = 0; i < n; ++i) {
    zevra_viewer_pointer_move(v, 400 + (i & 7), 300, 1, 0.5);
    zevra_viewer_frame(v, 1.0 / 60.0, 16.0 / 9.0);
    sink += zevra_viewer_mvp(v)[0];
  }
  benchmark::DoNotOptimize(sink);
  return duration_cast<nanoseconds>(steady_clock::now() - start);
}

// A Node child answering "REQUEST\n" with the nanoseconds it took.
struct NodeChild {
  zevra_bench::PipedChild child;
  explicit NodeChild(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    child = zevra_bench::startPiped(argv);
  }
  ~NodeChild() { zevra_bench::finish(child); }
  std::optional<nanoseconds> ask(const std::string& request) {
    const std::string line = request + "\n";
    if (child.pid < 0 || !zevra_bench::writeAll(child.to_child, line.data(), line.size()))
      return {};
    std::string reply;
    char c = 0;
    while (reply.size() < 32 && zevra_bench::readAll(child.from_child, &c, 1) && c != '\n')
      reply += c;
    if (c != '\n' || reply.empty()) return {};
    return nanoseconds(std::stoll(reply));
  }
};

void viewerFrames(benchmark::State& state) {
  ZevraViewer* v = zevra_viewer_create();
  const char code[] = "KeyW";
  std::memcpy(zevra_viewer_code_buffer(v), code, 4);
  zevra_viewer_key(v, 0, 4, 0);
  zevra_viewer_button(v, 4, 2, 400, 300, 0);
  // One child for all repetitions: its start is no part of a frame.
  static NodeChild wasm({ZEVRA_NODE, ZEVRA_WEB_BENCH, "frames", ZEVRA_VIEWER_WASM});
  const std::vector<zevra_bench::Contender> contenders{
      {"native", [&]() -> std::optional<nanoseconds> { return nativeFrames(v, frames_per_run); },
       true},
      {"WebAssembly in Node", [&] { return wasm.ask(std::to_string(frames_per_run)); }},
  };
  zevra_bench::runInTurn(state, contenders);
  zevra_viewer_destroy(v);
}

void pageFrames(benchmark::State& state) {
  static NodeChild page(
      {ZEVRA_NODE, ZEVRA_WEB_BENCH, "page", ZEVRA_WEB_SITE, ZEVRA_WEB_NODE_MODULES});
  const auto frames = [](const char* how) {
    return [how] { return page.ask(std::string("5 ") + how); };
  };
  const std::vector<zevra_bench::Contender> contenders{
      {"points, rigid motion", frames("points"), true},
      {"lines, rigid motion", frames("lines")},
      {"points, no motion", frames("still")},
  };
  zevra_bench::runInTurn(state, contenders);
}

}  // namespace

BENCHMARK(viewerFrames)->Name("viewer_frames/in turn/1000")->UseManualTime();
BENCHMARK(pageFrames)->Name("page_frames/in turn/5")->UseManualTime()->Iterations(2);

BENCHMARK_MAIN();

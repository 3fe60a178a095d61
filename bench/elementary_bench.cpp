// The kernel's elementary functions beside the C library's (the baseline of
// each group), over 1024 arguments per iteration from the ranges their
// callers use: the camera's steps and turns and pglRotateZ's angles
// (sine and cosine together, as both take them), large angles, the
// projection's tangent, normalizeDet's fourth root, sFromW's arc cosine.
// Each row's results are summed into a value the compiler must produce.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/fourth_root.hpp"
#include "zevra_kernel/sine_cosine.hpp"
#include "zevra_kernel/tangent.hpp"

namespace {

using Arguments = std::array<double, 1024>;

template <typename Make>
Arguments arguments(Make make) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Arguments a{};
  for (double& x : a) x = make(unit(rng));
  return a;
}

template <typename F>
void over(benchmark::State& state, const Arguments& args, F f) {
  for (auto _ : state) {
    double sum = 0;
    for (const double x : args) sum += f(x);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(args.size()));
}

// One group: the C library's function (the baseline) and the kernel's.
template <typename Std, typename Own>
void group(const char* name, const char* std_name, const char* own_name, const Arguments& args,
           Std std_f, Own own_f) {
  const std::string prefix = std::string(name) + "/";
  benchmark::RegisterBenchmark((prefix + std_name).c_str(), [&args, std_f](benchmark::State& s) {
    s.SetLabel("baseline");
    over(s, args, std_f);
  });
  benchmark::RegisterBenchmark((prefix + own_name).c_str(),
                               [&args, own_f](benchmark::State& s) { over(s, args, own_f); });
}

void registerAll() {
  using namespace zevra_kernel;
  static const Arguments steps = arguments([](double u) { return 0.1 * u; });
  static const Arguments turns = arguments([](double u) { return (2 * u - 1) * 3.14; });
  static const Arguments medium = arguments([](double u) { return (2 * u - 1) * 1e5; });
  static const Arguments huge = arguments([](double u) { return (1 + u) * 1e300; });
  static const Arguments half_turns = arguments([](double u) { return (2 * u - 1) * 1.5; });
  static const Arguments dets = arguments([](double u) { return std::pow(10.0, 30 * u - 15); });
  static const Arguments cosines = arguments([](double u) { return 2 * u - 1; });

  const auto std_sin_cos = [](double x) { return std::sin(x) + std::cos(x); };
  const auto own_sin_cos = [](double x) {
    const SinCos sc = sinCos(x);
    return sc.sin + sc.cos;
  };
  for (const auto& [name, args] :
       {std::pair{"sin_cos camera steps", &steps}, std::pair{"sin_cos turns", &turns},
        std::pair{"sin_cos 1e5", &medium}, std::pair{"sin_cos 1e300", &huge}}) {
    group(name, "std::sin + std::cos", "sinCos", *args, std_sin_cos, own_sin_cos);
  }
  group(
      "sine turns", "std::sin", "sine", turns, [](double x) { return std::sin(x); },
      [](double x) { return sine(x); });
  group(
      "tangent", "std::tan", "tangent", half_turns, [](double x) { return std::tan(x); },
      [](double x) { return tangent(x); });
  group(
      "fourth root", "std::pow(x, -0.25)", "inverseFourthRoot", dets,
      [](double x) { return std::pow(x, -0.25); }, [](double x) { return inverseFourthRoot(x); });
  group(
      "arc cosine", "std::acos", "arcCosine", cosines, [](double x) { return std::acos(x); },
      [](double x) { return arcCosine(x); });
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The metric's arc cosine against a long double reference, counted in whole
// ulps, and the distance batch against fsDistance, bit for bit.
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>

#include "zevra_harness/main.hpp"
#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/metric.hpp"

namespace {

using zevra_harness::expect;
using zevra_harness::Status;
using zevra_harness::TestFn;
using namespace zevra_kernel;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// How far acosUnit(x) is from acos(x), judged by the 64-bit acosl: in whole
// representable doubles from the correctly rounded value (both are >= 0,
// where bit patterns order like the values), and in ulps of the true value.
struct UlpError {
  std::uint64_t steps;
  long double ulps;
};

UlpError ulpError(double x) {
  const double got = acosUnit(x);
  const long double exact = std::acos(static_cast<long double>(x));
  const double rounded = static_cast<double>(exact);
  const auto a = std::bit_cast<std::uint64_t>(got);
  const auto b = std::bit_cast<std::uint64_t>(rounded);
  const double ulp = std::nextafter(rounded, inf) - rounded;
  return {a > b ? a - b : b - a, std::fabs(got - exact) / ulp};
}

Status acosWithinOneUlp() {
  std::uint64_t worst_steps = 0;
  long double worst_ulps = 0;
  const auto check = [&](double x) {
    const UlpError e = ulpError(x);
    worst_steps = std::max(worst_steps, e.steps);
    worst_ulps = std::max(worst_ulps, e.ulps);
  };
  // A dense sweep of [0, 1], offset so that it does not only meet short
  // binary fractions.
  constexpr int steps = 1 << 20;
  for (int i = 0; i <= steps; ++i) {
    check(i / double{steps});
    check(std::min(1.0, (i + 0.3183098861837907) / steps));
  }
  // Random: uniform on [0, 1), and bit patterns below 1 (every binade down
  // to the subnormals equally often).
  std::mt19937_64 random(zevra_harness::randomSeed());
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 1 << 20; ++i) {
    check(unit(random));
    check(std::bit_cast<double>(random() % std::bit_cast<std::uint64_t>(1.0)));
  }
  // The ends and the switch between the two halves, with their neighbours.
  for (const double x : {0.0, std::numeric_limits<double>::denorm_min(),
                         std::numeric_limits<double>::min(), 1e-300, 0x1p-57, 0x1p-27, 0.25}) {
    check(x);
  }
  double below_half = 0.5, above_half = 0.5, below_one = 1.0;
  for (int i = 0; i < 100000; ++i) {
    check(below_half = std::nextafter(below_half, 0.0));
    check(above_half);
    above_half = std::nextafter(above_half, 1.0);
    check(below_one);
    below_one = std::nextafter(below_one, 0.0);
  }
  // Under 1 ulp from the true value (about 0.79 at worst), so never more
  // than one step from the correctly rounded one.
  ZEVRA_TRY(expect(worst_steps <= 1));
  ZEVRA_TRY(expect(worst_ulps < 1.0L));
  // Exact where the value is known exactly.
  ZEVRA_TRY(expect(acosUnit(1.0) == 0.0 && !std::signbit(acosUnit(1.0))));
  ZEVRA_TRY(expect(acosUnit(0.0) == std::numbers::pi / 2));
  ZEVRA_TRY(expect(std::isnan(acosUnit(nan))));
  return {};
}

// Points that meet every branch of fsDistance: zero and near-threshold
// norms, NaN and infinite coordinates, multiples and antipodes of the
// reference, orthogonal points, cosines on both sides of 0.5 and near 1.
template <std::size_t N>
void fillPoints(std::array<HomVec4, N>& points, HomVec4 reference, std::mt19937_64& random) {
  std::normal_distribution<double> normal;
  const HomVec4 r = reference;
  const std::array<HomVec4, 16> edges{{
      HomVec4::init(0, 0, 0, 0),
      HomVec4::init(9e-16, 0, 0, 0),
      HomVec4::init(1.1e-15, 0, 0, 0),
      HomVec4::init(nan, 1, 0, 0),
      HomVec4::init(inf, 0, 0, 0),
      HomVec4::init(inf, -inf, 0, 0),
      r,
      HomVec4::init(-r.x, -r.y, -r.z, -r.w),
      HomVec4::init(3 * r.x, 3 * r.y, 3 * r.z, 3 * r.w),
      HomVec4::init(-1e-3 * r.x, -1e-3 * r.y, -1e-3 * r.z, -1e-3 * r.w),
      HomVec4::init(r.x + 1e-9, r.y, r.z, r.w),
      HomVec4::init(-r.y, r.x, -r.w, r.z),
      HomVec4::init(1, 0, 0, 0),
      HomVec4::init(0, 0, 0, 1),
      HomVec4::init(1e300, 1e300, 0, 0),
      HomVec4::init(1e-200, 0, 1e-200, 0),
  }};
  for (std::size_t i = 0; i < N; ++i) {
    if (i < edges.size()) {
      points[i] = edges[i];
    } else if (i % 3 == 0) {
      // Close to the reference: cosines just below 1.
      const double e = std::ldexp(normal(random), -static_cast<int>(i % 40));
      points[i] = HomVec4::init(r.x + e, r.y - e, r.z, r.w + e);
    } else {
      points[i] = HomVec4::init(normal(random), normal(random), normal(random), normal(random));
    }
  }
}

Status batchMatchesFsDistanceBitForBit() {
  std::mt19937_64 random(zevra_harness::randomSeed());
  std::array<HomVec4, 4099> points;
  std::array<double, 4099> distances;
  // Ordinary references, a small one, and references whose distances are
  // all 0: too short (though not zero), zero, and NaN.
  const std::array<HomVec4, 7> references{{
      HomVec4::init(0.3, -0.2, 0.9, 0.1),
      HomVec4::init(1, 0, 0, 0),
      HomVec4::init(1, 2, 3, 4),
      HomVec4::init(1e-8, 3e-9, 0, 0),
      HomVec4::init(5e-16, 0, 0, 5e-16),
      HomVec4::init(0, 0, 0, 0),
      HomVec4::init(nan, 0, 0, 1),
  }};
  // Every length up to two vectors of the widest path and an odd large one:
  // the vector loop, its tail and nothing at all.
  std::array<std::size_t, 18> lengths{};
  for (std::size_t k = 0; k + 1 < lengths.size(); ++k) lengths[k] = k;
  lengths.back() = points.size();
  constexpr auto untouched = std::bit_cast<double>(0x7FF4DEADBEEF0000ull);
  for (const HomVec4 reference : references) {
    fillPoints(points, reference, random);
    // Each instruction-set version this machine runs, then the dispatched one.
    for (std::size_t path = 0; path <= all_simd_paths.size(); ++path) {
      if (path < all_simd_paths.size() && !simdPathRuns(all_simd_paths[path])) continue;
      for (const std::size_t n : lengths) {
        distances.fill(untouched);
        const std::span<const HomVec4> in = std::span(points).first(n);
        if (path < all_simd_paths.size())
          detail::fsDistanceBatchOn(all_simd_paths[path], in, reference, distances);
        else
          fsDistanceBatch(in, reference, distances);
        for (std::size_t i = 0; i < points.size(); ++i) {
          const double want = i < n ? fsDistance(points[i], reference) : untouched;
          ZEVRA_TRY(expect(std::bit_cast<std::uint64_t>(distances[i]) ==
                           std::bit_cast<std::uint64_t>(want)));
        }
      }
    }
  }
  return {};
}

Status batchWritesTheCommonPrefix() {
  const std::array<HomVec4, 5> points{{
      HomVec4::init(1, 0, 0, 0),
      HomVec4::init(0, 1, 0, 0),
      HomVec4::init(-1, 0, 0, 0),
      HomVec4::init(1, 1, 0, 0),
      HomVec4::init(0, 0, 0, 0),
  }};
  const HomVec4 reference = HomVec4::init(1, 0, 0, 0);
  std::array<double, 7> out;
  out.fill(-1.0);
  fsDistanceBatch(points, reference, out);
  ZEVRA_TRY(expect(out[0] == 0.0 && out[1] == std::numbers::pi / 2 && out[2] == 0.0));
  ZEVRA_TRY(expect(out[3] == fsDistance(points[3], reference) && out[4] == 0.0));
  ZEVRA_TRY(expect(out[5] == -1.0 && out[6] == -1.0));
  // A shorter output takes only its own length; an empty side writes nothing.
  out.fill(-1.0);
  fsDistanceBatch(points, reference, std::span(out).first(2));
  ZEVRA_TRY(expect(out[0] == 0.0 && out[1] == std::numbers::pi / 2 && out[2] == -1.0));
  out.fill(-1.0);
  fsDistanceBatch(std::span(points).first(0), reference, out);
  fsDistanceBatch(points, reference, std::span(out).first(0));
  for (const double d : out) ZEVRA_TRY(expect(d == -1.0));
  return {};
}

constexpr auto acos_tests = std::to_array<TestFn>({
    {"kernel.acos: within 1 ulp of the correctly rounded arc cosine", &acosWithinOneUlp},
    {"kernel.acos: fsDistanceBatch gives fsDistance bit for bit", &batchMatchesFsDistanceBitForBit},
    {"kernel.acos: fsDistanceBatch writes the common prefix", &batchWritesTheCommonPrefix},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(acos_tests, argc, argv); }

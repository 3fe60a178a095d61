// The kernel's elementary functions against the C library's 64-bit long
// double ones, counted in ulps where they are hard: the whole f64 range by
// bit pattern, the callers' ranges, the doubles nearest the multiples of
// pi/2, the switches between reductions; then their special values.
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <span>

#include "kernel_units.hpp"
#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/fourth_root.hpp"
#include "zevra_kernel/sine_cosine.hpp"
#include "zevra_kernel/tangent.hpp"

namespace kernel_units {

using namespace zevra_kernel;
using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// f64 bit patterns in the order of their values (-0 just below +0).
std::int64_t ordinal(double x) {
  const auto b = std::bit_cast<std::int64_t>(x);
  return b < 0 ? std::numeric_limits<std::int64_t>::min() - b : b;
}

// A finite f64 of any binade, from 64 random bits.
double anyFinite(std::uint64_t bits) {
  return std::bit_cast<double>((bits & 0x8000000000000000ull) |
                               (bits & 0x7FFFFFFFFFFFFFFFull) % 0x7FF0000000000000ull);
}

double nearestHalfPiMultiple(int k) {
  return static_cast<double>(k * (std::numbers::pi_v<long double> / 2));
}

// Inputs of one kind: the i-th of `count`, from a uniform u in [0, 1) and
// 64 random bits.
struct Inputs {
  int count;
  double (*make)(int i, double u, std::uint64_t bits);
};

// The f64 closest to a multiple of pi/2, 2^-60.9 from it.
constexpr double reduction_worst_case = 6381956970095103.0 * 0x1p797;

constexpr std::array<Inputs, 8> circular_inputs{{
    {1 << 16, [](int, double u, std::uint64_t) { return (2 * u - 1) * 0.7853981633974483; }},
    {1 << 16, [](int, double u, std::uint64_t) { return (2 * u - 1) * 26.0; }},
    {1 << 16, [](int, double u, std::uint64_t) { return 0.1 * u; }},  // the camera's steps
    {1 << 16, [](int, double, std::uint64_t bits) { return anyFinite(bits); }},
    // The doubles nearest k pi/2 and their neighbours, on both sides of the
    // switch between the reductions at 2^20 too: the reduced arguments
    // closest to 0 (the nearest of all below 2^20, 2^-60.5 from 29 pi/2).
    {3 << 14,
     [](int i, double, std::uint64_t) {
       const double x = nearestHalfPiMultiple(i / 3 + 1);
       return i % 3 == 1 ? x : std::nextafter(x, i % 3 ? inf : 0.0);
     }},
    {3 << 12,
     [](int i, double, std::uint64_t) {
       const double x = nearestHalfPiMultiple(i / 3 + 665000);
       return i % 3 == 1 ? x : std::nextafter(x, i % 3 ? inf : 0.0);
     }},
    // The switch from the polynomial alone (2^-27), and the hardest f64.
    {1 << 12,
     [](int i, double, std::uint64_t) { return std::ldexp(1 + (i - 2048) / 32768.0, -27); }},
    {1, [](int, double, std::uint64_t) { return reduction_worst_case; }},
}};

constexpr std::array<Inputs, 3> fourth_root_inputs{{
    {1 << 16, [](int, double, std::uint64_t bits) { return std::fabs(anyFinite(bits)); }},
    {1 << 16, [](int, double u, std::uint64_t) { return 1 + 15 * u; }},
    {1 << 16, [](int, double u, std::uint64_t) { return std::pow(10.0, 30 * u - 15); }},  // |det|
}};

constexpr std::array<Inputs, 3> arc_cosine_inputs{{
    {1 << 16, [](int, double u, std::uint64_t) { return 2 * u - 1; }},
    {1 << 14, [](int i, double, std::uint64_t) { return -1 + i * 0x1p-53; }},
    {1 << 14, [](int i, double, std::uint64_t) { return -0.5 + (i - 8192) * 0x1p-54; }},
}};

enum class Symmetry { none, odd, even };

struct Row {
  double (*engine)(double);
  long double (*reference)(long double);
  std::span<const Inputs> inputs;
  Symmetry symmetry;
};

}  // namespace

Status elementaryWithinOneUlp() {
  const std::array<Row, 5> rows{{
      {[](double x) { return sine(x); }, [](long double x) { return std::sin(x); }, circular_inputs,
       Symmetry::odd},
      {[](double x) { return cosine(x); }, [](long double x) { return std::cos(x); },
       circular_inputs, Symmetry::even},
      {[](double x) { return tangent(x); }, [](long double x) { return std::tan(x); },
       circular_inputs, Symmetry::odd},
      {inverseFourthRoot, [](long double x) { return std::pow(x, -0.25L); }, fourth_root_inputs,
       Symmetry::none},
      {arcCosine, [](long double x) { return std::acos(x); }, arc_cosine_inputs, Symmetry::none},
  }};
  std::mt19937_64 random(zevra_harness::randomSeed());
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const Row& row : rows) {
    std::int64_t worst_steps = 0;
    long double worst_ulps = 0;
    for (const Inputs& kind : row.inputs) {
      for (int i = 0; i < kind.count; ++i) {
        const double x = kind.make(i, unit(random), random());
        const double got = row.engine(x);
        const long double exact = row.reference(x);
        const auto nearest = static_cast<double>(exact);
        const double ulp = std::nextafter(std::fabs(nearest), inf) - std::fabs(nearest);
        worst_steps = std::max(worst_steps, std::abs(ordinal(got) - ordinal(nearest)));
        worst_ulps = std::max(worst_ulps, std::fabs(got - exact) / ulp);
        if (row.symmetry != Symmetry::none) {
          const double mirrored = row.symmetry == Symmetry::odd ? -row.engine(-x) : row.engine(-x);
          ZEVRA_TRY(expect(bitsOf(mirrored) == bitsOf(got)));
        }
      }
    }
    // Under 1 ulp from the true value (0.85 at worst seen), so never more
    // than one step from the correctly rounded one.
    ZEVRA_TRY(expect(worst_steps <= 1));
    ZEVRA_TRY(expect(worst_ulps < 1.0L));
  }

  // sinCos gives the bits of sine and cosine.
  for (const Inputs& kind : circular_inputs) {
    for (int i = 0; i < kind.count; ++i) {
      const double x = kind.make(i, unit(random), random());
      const SinCos both = sinCos(x);
      ZEVRA_TRY(
          expect(bitsOf(both.sin) == bitsOf(sine(x)) && bitsOf(both.cos) == bitsOf(cosine(x))));
    }
  }

  // Signed zeros, infinities and NaN as the C library treats them.
  ZEVRA_TRY(expect(bitsOf(sine(-0.0)) == bitsOf(-0.0) && bitsOf(tangent(-0.0)) == bitsOf(-0.0)));
  ZEVRA_TRY(expect(cosine(-0.0) == 1.0 && cosine(0.0) == 1.0));
  for (const double x : {inf, -inf, nan}) {
    ZEVRA_TRY(expect(std::isnan(sine(x)) && std::isnan(cosine(x)) && std::isnan(tangent(x))));
  }
  ZEVRA_TRY(expect(inverseFourthRoot(0.0) == inf && inverseFourthRoot(-0.0) == inf));
  ZEVRA_TRY(expect(bitsOf(inverseFourthRoot(inf)) == 0 && inverseFourthRoot(16.0) == 0.5));
  ZEVRA_TRY(expect(std::isnan(inverseFourthRoot(-1.0)) && std::isnan(inverseFourthRoot(nan))));
  ZEVRA_TRY(expect(arcCosine(-1.0) == std::numbers::pi && bitsOf(arcCosine(1.0)) == 0));
  ZEVRA_TRY(expect(std::isnan(arcCosine(nan))));
  // The camera's worked example: one forward frame is an arc of 0.032.
  const SinCos step = sinCos(0.032);
  ZEVRA_TRY(expectApproxEqAbs(step.sin, 0.031995, 1e-6));
  ZEVRA_TRY(expectApproxEqAbs(step.cos, 0.999488, 1e-6));
  // Constant evaluation gives the run time's bits, reductions included.
  constexpr SinCos folded = sinCos(reduction_worst_case);
  constexpr double folded_tangent = tangent(1e22);
  volatile double at_run_time = reduction_worst_case;
  const SinCos computed = sinCos(at_run_time);
  ZEVRA_TRY(expect(bitsOf(folded.sin) == bitsOf(computed.sin)));
  ZEVRA_TRY(expect(bitsOf(folded.cos) == bitsOf(computed.cos)));
  at_run_time = 1e22;
  ZEVRA_TRY(expect(bitsOf(folded_tangent) == bitsOf(tangent(at_run_time))));
  return {};
}

}  // namespace kernel_units

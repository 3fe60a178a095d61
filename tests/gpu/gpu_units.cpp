// Unit tests of zevra_gpu: byte images of the records, the conversions at the
// edges of the f32 range, prefix behaviour of the batches, the assembled
// module and the pipeline catalogue.
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "zevra_gpu/conversion.hpp"
#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_gpu/pipelines.hpp"
#include "zevra_gpu/wgsl_module.hpp"
#include "zevra_gpu/wgsl_vertex.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/testing.hpp"
#include "zevra_kernel/builders.hpp"

namespace {

using namespace zevra_gpu;
using zevra_harness::expect;
using zevra_harness::Status;
using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;

template <typename T>
std::array<unsigned char, sizeof(T)> bytesOf(const T& value) {
  std::array<unsigned char, sizeof(T)> out{};
  std::memcpy(out.data(), &value, sizeof(T));
  return out;
}

Status testConversionRangeEdges() {
  const GpuHomVec4 g = homVec4ToGpu(HomVec4::init(1e39, -1e39, 1e-50, 1));
  ZEVRA_TRY(expect(std::isinf(g.x) && g.x > 0));
  ZEVRA_TRY(expect(std::isinf(g.y) && g.y < 0));
  ZEVRA_TRY(expect(g.z == 0.0f && !std::signbit(g.z)));
  ZEVRA_TRY(expect(g.w == 1.0f));
  const GpuHomVec4 h = homVec4ToGpu(
      HomVec4::init(-1e-50, std::numeric_limits<double>::quiet_NaN(), 0.1, 16777217.0));
  ZEVRA_TRY(expect(h.x == 0.0f && std::signbit(h.x)));
  ZEVRA_TRY(expect(std::isnan(h.y)));
  ZEVRA_TRY(expect(h.z == 0.1f));
  // 2^24 + 1 lies halfway between two f32: ties go to the even one, 2^24.
  ZEVRA_TRY(expect(h.w == 16777216.0f));
  // The largest f64 that still rounds to FLT_MAX, and the first that does not.
  const double max = std::numeric_limits<float>::max();
  const double half_ulp = std::ldexp(1.0, 127 - 24);
  ZEVRA_TRY(expect(homVec4ToGpu(HomVec4::init(max + half_ulp * 0.5, 0, 0, 0)).x ==
                   std::numeric_limits<float>::max()));
  ZEVRA_TRY(expect(std::isinf(homVec4ToGpu(HomVec4::init(max + half_ulp, 0, 0, 0)).x)));
  return {};
}

Status testPGL4ConversionOrder() {
  const GpuPGL4 t = pgl4ToGpu(zevra_kernel::pglTranslate(10, 20, 30));
  ZEVRA_TRY(expect(t.data[12] == 10.0f && t.data[13] == 20.0f && t.data[14] == 30.0f));
  ZEVRA_TRY(expect(t.data[3] == 0.0f && t.data[7] == 0.0f && t.data[11] == 0.0f));
  // Every element keeps its index: no transposition.
  PGL4 m{};
  for (std::size_t i = 0; i < 16; ++i) m.data[i] = static_cast<double>(i) + 0.5;
  const GpuPGL4 g = pgl4ToGpu(m);
  for (std::size_t i = 0; i < 16; ++i) ZEVRA_TRY(expect(g.data[i] == static_cast<float>(i) + 0.5f));
  // The byte image is the 16 f32 in order, 64 bytes.
  const auto image = bytesOf(g);
  for (std::size_t i = 0; i < 16; ++i) {
    float f = 0;
    std::memcpy(&f, image.data() + 4 * i, 4);
    ZEVRA_TRY(expect(f == g.data[i]));
  }
  return {};
}

Status testRecordByteImages() {
  const std::array<GpuHomVec4, 3> points{
      {{1.0f, 2.0f, 3.0f, 4.0f}, {5.0f, 6.0f, 7.0f, 8.0f}, {9.0f, 10.0f, 11.0f, 12.0f}}};
  ZEVRA_TRY(expect(sizeof(points) == 48));
  const auto image = bytesOf(points);
  for (std::size_t i = 0; i < 12; ++i) {
    float f = 0;
    std::memcpy(&f, image.data() + 4 * i, 4);
    ZEVRA_TRY(expect(f == static_cast<float>(i + 1)));
  }
  const GpuGeodesicState s{1, 2, 3, 4, 5, 6, 7, 8};
  const std::array<GpuGeodesicState, 2> states{s, s};
  ZEVRA_TRY(expect(sizeof(states) == 64));
  const auto state_image = bytesOf(s);
  for (std::size_t i = 0; i < 8; ++i) {
    float f = 0;
    std::memcpy(&f, state_image.data() + 4 * i, 4);
    ZEVRA_TRY(expect(f == static_cast<float>(i + 1)));
  }
  const RK4Params params{0.25f, 0, 0, 0};
  float dt = 0;
  std::memcpy(&dt, bytesOf(params).data(), 4);
  ZEVRA_TRY(expect(dt == 0.25f));
  return {};
}

Status testBatchToGpuPrefix() {
  const std::array points{HomVec4::init(1, 2, 3, 4), HomVec4::init(5, 6, 7, 8),
                          HomVec4::init(9, 10, 11, 12)};
  const GpuHomVec4 marker{-1.0f, -2.0f, -3.0f, -4.0f};
  std::array<GpuHomVec4, 4> out{marker, marker, marker, marker};
  // Three points into two slots: two converted, nothing past them touched.
  batchToGpu(points, std::span(out).first(2));
  ZEVRA_TRY(expect(out[0].x == 1.0f && out[0].w == 4.0f && out[1].x == 5.0f && out[1].w == 8.0f));
  ZEVRA_TRY(expect(out[2].x == -1.0f && out[3].w == -4.0f));
  // Two points into four slots: the rest stays.
  out.fill(marker);
  batchToGpu(std::span(points).first(2), out);
  ZEVRA_TRY(expect(out[1].z == 7.0f && out[2].x == -1.0f && out[3].x == -1.0f));
  // No points: nothing written.
  out.fill(marker);
  batchToGpu({}, out);
  ZEVRA_TRY(expect(out[0].x == -1.0f));
  return {};
}

Status testCpuFSDistancePrefix() {
  const std::array points{HomVec4::init(-1, 0, 0, 0), HomVec4::init(0, 0, 0, 0),
                          HomVec4::init(0, 0, 0, 5), HomVec4::init(1, 1, 0, 0)};
  const HomVec4 reference = HomVec4::init(1, 0, 0, 0);
  std::array<double, 6> out{};
  out.fill(-7.0);
  cpuFSDistanceBatch(points, reference, out);
  ZEVRA_TRY(expect(out[0] == 0.0));  // antipode: the same point
  ZEVRA_TRY(expect(out[1] == 0.0));  // zero point: the norm floor
  ZEVRA_TRY(zevra_harness::expectApproxEqAbs(out[2], 1.5707963267948966, 1e-12));
  ZEVRA_TRY(zevra_harness::expectApproxEqAbs(out[3], 0.7853981633974483, 1e-12));
  ZEVRA_TRY(expect(out[4] == -7.0 && out[5] == -7.0));
  out.fill(-7.0);
  cpuFSDistanceBatch(points, reference, std::span(out).first(1));
  ZEVRA_TRY(expect(out[0] == 0.0 && out[1] == -7.0));
  cpuFSDistanceBatch({}, reference, out);
  ZEVRA_TRY(expect(out[1] == -7.0));
  return {};
}

Status testCpuPGLActionPrefix() {
  const std::array points{HomVec4::init(0.1, -2.5, 3e-20, 1e20), HomVec4::init(1, 2, 3, 4)};
  const HomVec4 marker = HomVec4::init(-9, -9, -9, -9);
  std::array<HomVec4, 3> out{marker, marker, marker};
  cpuPGLActionBatch(PGL4::identity(), points, out);
  ZEVRA_TRY(expect(out[0].x == 0.1 && out[0].y == -2.5 && out[0].z == 3e-20 && out[0].w == 1e20));
  ZEVRA_TRY(expect(out[1].w == 4.0 && out[2].x == -9.0));
  out.fill(marker);
  cpuPGLActionBatch(zevra_kernel::pglTranslate(1, 0, 0), points, std::span(out).first(1));
  ZEVRA_TRY(expect(out[0].x == 0.1 + 1e20 && out[1].x == -9.0));
  cpuPGLActionBatch(PGL4::identity(), {}, out);
  ZEVRA_TRY(expect(out[1].x == -9.0));
  return {};
}

// Same bits, or NaN for NaN: which NaN a sum of two passes on is not fixed.
bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

Status testCpuPGLActionBitForBit() {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  std::mt19937_64 random(zevra_harness::randomSeed());
  std::normal_distribution<double> normal;
  std::uniform_int_distribution<int> exponent(-40, 40);
  const auto any = [&] { return std::ldexp(normal(random), exponent(random)); };
  PGL4 general{};
  for (double& e : general.data) e = any();
  PGL4 negative_zero{};
  negative_zero.data.fill(-0.0);  // every product -0: apply's 0 + makes the sums +0
  PGL4 special = general;
  special.data[1] = inf;
  special.data[6] = nan;
  special.data[11] = -0.0;
  const std::array<PGL4, 5> matrices{PGL4::identity(), zevra_kernel::pglTranslate(1, -2, 3),
                                     general, negative_zero, special};
  const std::array<HomVec4, 8> edges{
      HomVec4::init(0, 0, 0, 0),           HomVec4::init(-0.0, -0.0, -0.0, -0.0),
      HomVec4::init(1, 2, 3, 4),           HomVec4::init(nan, 1, 0, 1),
      HomVec4::init(inf, -inf, 0, 1),      HomVec4::init(1e308, 1e308, -1e308, 1),
      HomVec4::init(4e-320, 1e-310, 0, 1), HomVec4::init(0.5, 0.25, 0.125, 1)};
  std::array<HomVec4, 1031> points;  // odd: every path's tail runs
  for (std::size_t i = 0; i < points.size(); ++i)
    points[i] = i < edges.size() ? edges[i] : HomVec4::init(any(), any(), any(), any());
  // Every length up to two steps of the widest path, and the whole array.
  constexpr std::array<std::size_t, 10> lengths{0, 1, 2, 3, 4, 5, 6, 7, 9, points.size()};
  // The output one f64 past a cache line, as a caller's may be; no byte
  // around it may change.
  constexpr unsigned char marker = 0xA5;
  constexpr std::size_t lead = sizeof(double);
  alignas(64) std::array<unsigned char, 64 + sizeof(points)> raw;
  auto* const out = reinterpret_cast<HomVec4*>(raw.data() + lead);
  using zevra_kernel::all_simd_paths;
  for (const PGL4& m : matrices) {
    // Each instruction-set version this machine runs, then the dispatched one.
    for (std::size_t path = 0; path <= all_simd_paths.size(); ++path) {
      if (path < all_simd_paths.size() && !zevra_kernel::simdPathRuns(all_simd_paths[path]))
        continue;
      for (const std::size_t n : lengths) {
        raw.fill(marker);
        const std::span<const HomVec4> in = std::span(points).first(n);
        if (path < all_simd_paths.size())
          detail::cpuPGLActionBatchOn(all_simd_paths[path], m, in, std::span(out, points.size()));
        else
          cpuPGLActionBatch(m, in, std::span(out, points.size()));
        for (std::size_t i = 0; i < n; ++i) {
          const HomVec4 want = m.apply(points[i]);
          ZEVRA_TRY(expect(sameBits(out[i].x, want.x) && sameBits(out[i].y, want.y) &&
                           sameBits(out[i].z, want.z) && sameBits(out[i].w, want.w)));
        }
        const std::size_t end = lead + n * sizeof(HomVec4);
        for (std::size_t b = 0; b < raw.size(); ++b)
          ZEVRA_TRY(expect((b >= lead && b < end) || raw[b] == marker));
      }
    }
  }
  // Out of cache the AVX-512 version streams whole lines: input and output at
  // each offset within a line (k < 8), then lying differently (k = 8) and in
  // place (k = 9), which do not stream.
  constexpr std::size_t big = detail::kStreamedFromBytes / sizeof(HomVec4) + 5;
  std::vector<unsigned char> in_raw(128 + big * sizeof(HomVec4)), out_raw(in_raw.size());
  const auto at = [](std::vector<unsigned char>& bytes, std::size_t offset) {
    const auto to_line = (64 - reinterpret_cast<std::uintptr_t>(bytes.data()) % 64) % 64;
    return reinterpret_cast<HomVec4*>(bytes.data() + to_line + offset);
  };
  for (const PGL4& m : {general, special}) {
    for (std::size_t k = 0; k < 10; ++k) {
      HomVec4* const source = at(in_raw, k < 8 ? 8 * k : 16);
      for (std::size_t i = 0; i < big; ++i) source[i] = points[i % points.size()];
      out_raw.assign(out_raw.size(), marker);
      const bool in_place = k == 9;
      HomVec4* const images = in_place ? source : at(out_raw, k < 8 ? 8 * k : 48);
      cpuPGLActionBatch(m, std::span(source, big), std::span(images, big));
      for (std::size_t i = 0; i < big; ++i) {
        const HomVec4 want = m.apply(points[i % points.size()]);
        ZEVRA_TRY(expect(sameBits(images[i].x, want.x) && sameBits(images[i].y, want.y) &&
                         sameBits(images[i].z, want.z) && sameBits(images[i].w, want.w)));
      }
      const auto* first = reinterpret_cast<unsigned char*>(images);
      for (const unsigned char& b : out_raw)
        ZEVRA_TRY(
            expect(in_place || (&b >= first && &b < first + big * sizeof(HomVec4)) || b == marker));
    }
  }
  return {};
}

Status testModuleAssembly() {
  constexpr std::string_view module = buildWgslModule();
  constexpr std::array<std::string_view, 7> parts{
      wgsl_hom_vec4,          wgsl_pgl4,
      wgsl_geodesic_state,    wgsl_fs_distance_batch,
      wgsl_pgl_action_batch,  wgsl_geodesic_rk4_step,
      wgsl_idempotent_newton,
  };
  // The seven texts in order, one newline between each pair, none around.
  std::size_t at = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      ZEVRA_TRY(expect(module[at] == '\n'));
      ++at;
    }
    ZEVRA_TRY(expect(module.substr(at, parts[i].size()) == parts[i]));
    at += parts[i].size();
  }
  ZEVRA_TRY(expect(at == module.size()));
  ZEVRA_TRY(expect(module.starts_with("struct HomVec4 {") && module.ends_with('}')));
  for (std::string_view entry : {"fn fs_distance_batch(", "fn pgl_action_batch(",
                                 "fn geodesic_rk4_step(", "fn idempotent_newton_step("})
    ZEVRA_TRY(expect(module.find(entry) != std::string_view::npos));
  ZEVRA_TRY(expect(module.find("dehomogenize_vertex") == std::string_view::npos));
  // The same text on every call.
  ZEVRA_TRY(expect(buildWgslModule().data() == module.data()));
  // Every source ends with its closing brace, no newline.
  for (std::string_view part : parts) ZEVRA_TRY(expect(part.ends_with('}')));
  ZEVRA_TRY(expect(wgsl_dehomogenize_vertex.ends_with('}')));
  return {};
}

Status testCatalogue() {
  constexpr auto all = allComputePipelines();
  constexpr std::array<std::string_view, 4> texts{wgsl_fs_distance_batch, wgsl_pgl_action_batch,
                                                  wgsl_geodesic_rk4_step, wgsl_idempotent_newton};
  constexpr std::array<std::uint32_t, 4> sizes{64, 64, 64, 16};
  for (std::size_t k = 0; k < all.size(); ++k) {
    ZEVRA_TRY(expect(static_cast<std::size_t>(all[k].kind) == k));
    ZEVRA_TRY(expect(all[k].shader.data() == texts[k].data() && all[k].shader == texts[k]));
    ZEVRA_TRY(expect(all[k].workgroup_size == sizes[k]));
    // The size is the one written in the source.
    const std::string wg = "@workgroup_size(" + std::to_string(sizes[k]) + ")";
    ZEVRA_TRY(expect(all[k].shader.find(wg) != std::string_view::npos));
  }
  ZEVRA_TRY(expect(WORKGROUP_SIZE == 64 && sizeof(ComputePipelineKind) == 1));
  const auto bad = ComputePipelineDesc::forKind(static_cast<ComputePipelineKind>(9));
  ZEVRA_TRY(expect(bad.shader.empty() && bad.workgroup_size == 0));
  return {};
}

constexpr auto gpu_tests = std::to_array<zevra_harness::TestFn>({
    {"gpu.conversion at the edges of the f32 range", &testConversionRangeEdges},
    {"gpu.pgl4ToGpu keeps column-major order", &testPGL4ConversionOrder},
    {"gpu.record byte images", &testRecordByteImages},
    {"gpu.batchToGpu converts the common prefix only", &testBatchToGpuPrefix},
    {"gpu.cpuFSDistanceBatch prefix and degenerate points", &testCpuFSDistancePrefix},
    {"gpu.cpuPGLActionBatch prefix and identity", &testCpuPGLActionPrefix},
    {"gpu.cpuPGLActionBatch gives apply bit for bit on every path", &testCpuPGLActionBitForBit},
    {"gpu.module assembly", &testModuleAssembly},
    {"gpu.pipeline catalogue", &testCatalogue},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(gpu_tests, argc, argv); }

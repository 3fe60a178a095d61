// Writes what the WebGPU check needs into one folder: the WGSL texts, the
// assembled module, the pipeline catalogue and the host record layouts (as
// JSON), input buffers as the exact byte images of the host records, and the
// CPU reference results in f64.
//   gpu-fixtures OUTPUT_DIR
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures.hpp"
#include "zevra_gpu/conversion.hpp"
#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_gpu/pipelines.hpp"
#include "zevra_gpu/records.hpp"
#include "zevra_gpu/wgsl_compute.hpp"
#include "zevra_gpu/wgsl_module.hpp"
#include "zevra_gpu/wgsl_preludes.hpp"
#include "zevra_gpu/wgsl_vertex.hpp"
#include "zevra_kernel/builders.hpp"

namespace gpu_fixtures {

namespace {

std::string out_dir;
bool ok = true;

}  // namespace

void writeFile(std::string_view name, const void* bytes, std::size_t size) {
  const std::string path = out_dir + "/" + std::string(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes, 1, size, f) != size) ok = false;
  if (f != nullptr && std::fclose(f) != 0) ok = false;
}

void writeText(std::string_view name, std::string_view text) {
  writeFile(name, text.data(), text.size());
}

namespace {

std::string jsonString(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') {
      r += '\\';
      r += c;
    } else if (c == '\n') {
      r += "\\n";
    } else {
      r += c;
    }
  }
  return r + "\"";
}

// The entry points are fixed by the shader texts, not by the catalogue.
constexpr std::array<std::string_view, 4> entry_points{
    "fs_distance_batch", "pgl_action_batch", "geodesic_rk4_step", "idempotent_newton_step"};
constexpr std::array<std::string_view, 4> kind_names{"fs_distance_batch", "pgl_action_batch",
                                                     "geodesic_rk4_step", "idempotent_newton"};

void writeShaders() {
  writeText("hom_vec4.wgsl", zevra_gpu::wgsl_hom_vec4);
  writeText("pgl4.wgsl", zevra_gpu::wgsl_pgl4);
  writeText("geodesic_state.wgsl", zevra_gpu::wgsl_geodesic_state);
  writeText("fs_distance_batch.wgsl", zevra_gpu::wgsl_fs_distance_batch);
  writeText("pgl_action_batch.wgsl", zevra_gpu::wgsl_pgl_action_batch);
  writeText("geodesic_rk4_step.wgsl", zevra_gpu::wgsl_geodesic_rk4_step);
  writeText("idempotent_newton.wgsl", zevra_gpu::wgsl_idempotent_newton);
  writeText("dehomogenize_vertex.wgsl", zevra_gpu::wgsl_dehomogenize_vertex);
  writeText("module.wgsl", zevra_gpu::buildWgslModule());

  std::string json = "[\n";
  const auto pipelines = zevra_gpu::allComputePipelines();
  for (std::size_t k = 0; k < pipelines.size(); ++k) {
    const auto& p = pipelines[k];
    json += "  {\"kind\": " + std::to_string(static_cast<unsigned>(p.kind)) +
            ", \"name\": " + jsonString(kind_names[k]) +
            ", \"entry_point\": " + jsonString(entry_points[k]) +
            ", \"workgroup_size\": " + std::to_string(p.workgroup_size) +
            ", \"shader\": " + jsonString(p.shader) + "}" + (k + 1 < pipelines.size() ? "," : "") +
            "\n";
  }
  writeText("pipelines.json", json + "]\n");
}

void writeLayouts() {
  using zevra_gpu::GpuPGL4;
  using zevra_gpu::RK4Params;
  std::string json = "{\n";
  json += "  \"HomVec4\": {\"size\": " + std::to_string(sizeof(GpuHomVec4)) +
          ", \"offsets\": {\"x\": " + std::to_string(offsetof(GpuHomVec4, x)) +
          ", \"y\": " + std::to_string(offsetof(GpuHomVec4, y)) +
          ", \"z\": " + std::to_string(offsetof(GpuHomVec4, z)) +
          ", \"w\": " + std::to_string(offsetof(GpuHomVec4, w)) + "}},\n";
  json += "  \"PGL4\": {\"size\": " + std::to_string(sizeof(GpuPGL4)) +
          ", \"offsets\": {\"data\": " + std::to_string(offsetof(GpuPGL4, data)) + "}},\n";
  json += "  \"GeodesicState\": {\"size\": " + std::to_string(sizeof(GpuGeodesicState)) +
          ", \"offsets\": {\"qx\": " + std::to_string(offsetof(GpuGeodesicState, qx)) +
          ", \"qy\": " + std::to_string(offsetof(GpuGeodesicState, qy)) +
          ", \"qz\": " + std::to_string(offsetof(GpuGeodesicState, qz)) +
          ", \"qw\": " + std::to_string(offsetof(GpuGeodesicState, qw)) +
          ", \"vx\": " + std::to_string(offsetof(GpuGeodesicState, vx)) +
          ", \"vy\": " + std::to_string(offsetof(GpuGeodesicState, vy)) +
          ", \"vz\": " + std::to_string(offsetof(GpuGeodesicState, vz)) +
          ", \"vw\": " + std::to_string(offsetof(GpuGeodesicState, vw)) + "}},\n";
  json += "  \"RK4Params\": {\"size\": " + std::to_string(sizeof(RK4Params)) +
          ", \"offsets\": {\"dt\": " + std::to_string(offsetof(RK4Params, dt)) +
          ", \"_pad0\": " + std::to_string(offsetof(RK4Params, _pad0)) +
          ", \"_pad1\": " + std::to_string(offsetof(RK4Params, _pad1)) +
          ", \"_pad2\": " + std::to_string(offsetof(RK4Params, _pad2)) + "}}\n}\n";
  writeText("layouts.json", json);
}

// Points of every kind the distance and action shaders must handle: random,
// antipodal and orthogonal to the reference, zero, large and tiny.
std::vector<HomVec4> testPoints(std::mt19937_64& rng, HomVec4 reference) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<HomVec4> points{
      HomVec4::init(2, 0, 0, 0),
      HomVec4::init(-1, 0, 0, 0),
      HomVec4::init(0, 1, 0, 0),
      HomVec4::init(0, 0, 0, 0),
      HomVec4::init(0, 0, 1, 0),
      HomVec4::init(0, 0, 0, -3),
      HomVec4::init(1, 1, 1, 1),
      HomVec4::init(1e15, 2e15, -3e14, 1e15),
      HomVec4::init(1e-12, -3e-12, 2e-12, 1e-12),
      HomVec4::init(-reference.x, -reference.y, -reference.z, -reference.w),
  };
  while (points.size() < 3000) {
    const HomVec4 p = HomVec4::init(u(rng), u(rng), u(rng), u(rng));
    const double scale = std::pow(10.0, 6.0 * u(rng));
    points.push_back(HomVec4::init(p.x * scale, p.y * scale, p.z * scale, p.w * scale));
    // Its antipode and a scaled copy: the same projective point.
    points.push_back(HomVec4::init(-p.x, -p.y, -p.z, -p.w));
    points.push_back(HomVec4::init(3 * p.x, 3 * p.y, 3 * p.z, 3 * p.w));
  }
  return points;
}

// fs_distance_batch: the reference is (1, 0, 0, 0) in one run; the CPU result
// is computed from the f32 values the shader reads.
void writeDistanceCase(std::mt19937_64& rng, std::string_view prefix, HomVec4 reference) {
  const std::vector<HomVec4> points = testPoints(rng, reference);
  std::vector<GpuHomVec4> gpu(points.size());
  zevra_gpu::batchToGpu(points, gpu);
  std::vector<HomVec4> read(points.size());
  for (std::size_t i = 0; i < gpu.size(); ++i) read[i] = asRead(gpu[i]);
  const GpuHomVec4 gpu_reference = zevra_gpu::homVec4ToGpu(reference);
  std::vector<double> expected(points.size());
  zevra_gpu::cpuFSDistanceBatch(read, asRead(gpu_reference), expected);
  const std::string p(prefix);
  writeBuffer<GpuHomVec4>(p + "_positions.bin", gpu);
  writeFile(p + "_reference.bin", &gpu_reference, sizeof gpu_reference);
  writeBuffer<double>(p + "_expected.bin", expected);
}

void writeActionCase(std::mt19937_64& rng) {
  const std::vector<HomVec4> points = testPoints(rng, HomVec4::init(0, 0, 0, 1));
  std::vector<GpuHomVec4> gpu(points.size());
  zevra_gpu::batchToGpu(points, gpu);
  std::vector<HomVec4> read(points.size());
  for (std::size_t i = 0; i < gpu.size(); ++i) read[i] = asRead(gpu[i]);
  // Distinct entries everywhere, so that a transposed read is caught.
  PGL4 m = PGL4::mul(zevra_kernel::pglTranslate(1.5, -2, 0.25), zevra_kernel::pglScale(2, 3, 0.5));
  for (std::size_t i = 0; i < 16; ++i) m.data[i] += 0.01 * static_cast<double>(i);
  const zevra_gpu::GpuPGL4 gpu_m = zevra_gpu::pgl4ToGpu(m);
  PGL4 m_read{};
  for (std::size_t i = 0; i < 16; ++i) m_read.data[i] = gpu_m.data[i];
  std::vector<HomVec4> expected(points.size());
  zevra_gpu::cpuPGLActionBatch(m_read, read, expected);
  writeBuffer<GpuHomVec4>("action_input.bin", gpu);
  writeFile("action_transform.bin", &gpu_m, sizeof gpu_m);
  writeBuffer<HomVec4>("action_expected.bin", expected);
  // The translation alone, for the exact cases of the shader's contract.
  const zevra_gpu::GpuPGL4 translate = zevra_gpu::pgl4ToGpu(zevra_kernel::pglTranslate(1, 0, 0));
  writeFile("action_translate.bin", &translate, sizeof translate);
}

void writeGeodesicCase(std::mt19937_64& rng) {
  std::normal_distribution<double> n(0.0, 1.0);
  std::uniform_real_distribution<double> speed(0.1, 2.0);
  std::vector<GpuGeodesicState> states{{1, 0, 0, 0, 0, 1, 0, 0}};
  while (states.size() < 1000) {
    HomVec4 q = HomVec4::init(n(rng), n(rng), n(rng), n(rng)).normalize();
    HomVec4 v = HomVec4::init(n(rng), n(rng), n(rng), n(rng));
    const double along = HomVec4::dot(q, v);
    v = HomVec4::init(v.x - along * q.x, v.y - along * q.y, v.z - along * q.z, v.w - along * q.w)
            .normalize();
    const double s = speed(rng);
    states.push_back({static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z),
                      static_cast<float>(q.w), static_cast<float>(s * v.x),
                      static_cast<float>(s * v.y), static_cast<float>(s * v.z),
                      static_cast<float>(s * v.w)});
  }
  writeBuffer<GpuGeodesicState>("rk4_states.bin", states);
  constexpr std::array<float, 3> steps{0.0f, 0.01f, 0.25f};
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const zevra_gpu::RK4Params params{steps[k], 0, 0, 0};
    writeFile("rk4_params_" + std::to_string(k) + ".bin", &params, sizeof params);
    std::vector<double> expected;
    for (const GpuGeodesicState& g : states) {
      const State r = rk4Step({g.qx, g.qy, g.qz, g.qw, g.vx, g.vy, g.vz, g.vw}, params.dt);
      expected.insert(expected.end(), r.begin(), r.end());
    }
    writeBuffer<double>("rk4_expected_" + std::to_string(k) + ".bin", expected);
  }
}

// The vertex stage's inputs: points through every chart, normals, uvs and an
// MVP that keeps them inside the clip volume with a non-trivial w row.
void writeVertexCase() {
  std::vector<GpuHomVec4> positions;
  std::vector<GpuHomVec4> normals;
  std::vector<std::array<float, 2>> uvs;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      const float a = -0.8f + 0.2f * static_cast<float>(i);
      const float b = -0.8f + 0.2f * static_cast<float>(j);
      const int chart = (i + j) % 4;
      // The homogeneous coordinates whose best chart is `chart`, with the
      // affine coordinates (a, b, c) in that chart scaled by 2.
      const float c = 0.25f;
      GpuHomVec4 p{};
      switch (chart) {
        case 0:
          p = {2 * a, 2 * b, 2 * c, 2};
          break;
        case 1:
          p = {2, 2 * a, 2 * b, 2 * c};
          break;
        case 2:
          p = {2 * a, 2, 2 * b, 2 * c};
          break;
        default:
          p = {2 * a, 2 * b, 2, 2 * c};
          break;
      }
      positions.push_back(p);
      normals.push_back({b, a, 1.5f, 0.5f});
      uvs.push_back({a, b});
    }
  }
  // Ties between charts (the earlier of w, x, y, z wins), a negative
  // divisor, and the examples of the chart rule.
  constexpr std::array<GpuHomVec4, 8> special{{{1, 0.5f, 0.2f, -1},
                                               {-1, 1, 0.3f, 0.6f},
                                               {0.5f, -1, 1, 0.2f},
                                               {1, 1, 1, 1},
                                               {2, 4, 6, 8},
                                               {2, 4, 6, 2},
                                               {4, 2, 2, 1},
                                               {-0.3f, 0.1f, 0.2f, -0.4f}}};
  for (const GpuHomVec4& p : special) {
    positions.push_back(p);
    normals.push_back(p);
    uvs.push_back({p.x, p.w});
  }
  PGL4 m = zevra_kernel::pglScale(0.5, 0.5, 0.2);
  m.data[3] = 0.01;  // w row: w = 1 + 0.01 x - 0.02 y + 0.03 z
  m.data[7] = -0.02;
  m.data[11] = 0.03;
  m.data[12] = 0.05;  // translation
  m.data[13] = -0.03;
  m.data[14] = 0.5;
  m.data[4] = 0.1;  // shear x by y
  const zevra_gpu::GpuPGL4 mvp = zevra_gpu::pgl4ToGpu(m);
  PGL4 m_read{};
  for (std::size_t i = 0; i < 16; ++i) m_read.data[i] = mvp.data[i];
  // Per vertex: world position (3), world normal (3), clip position (4).
  std::vector<double> expected;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const std::array<double, 3> pos3 = chartCoordinates(asRead(positions[i]));
    const std::array<double, 3> normal3 = chartCoordinates(asRead(normals[i]));
    const HomVec4 clip = m_read.apply(HomVec4::fromCartesian(pos3[0], pos3[1], pos3[2]));
    expected.insert(expected.end(), pos3.begin(), pos3.end());
    expected.insert(expected.end(), normal3.begin(), normal3.end());
    expected.insert(expected.end(), {clip.x, clip.y, clip.z, clip.w});
  }
  writeBuffer<double>("vertex_expected.bin", expected);
  writeBuffer<GpuHomVec4>("vertex_positions.bin", positions);
  writeBuffer<GpuHomVec4>("vertex_normals.bin", normals);
  writeBuffer<std::array<float, 2>>("vertex_uvs.bin", uvs);
  writeFile("vertex_mvp.bin", &mvp, sizeof mvp);
}

}  // namespace

}  // namespace gpu_fixtures

int main(int argc, char** argv) {
  using namespace gpu_fixtures;
  if (argc != 2) {
    std::fputs("usage: gpu-fixtures OUTPUT_DIR\n", stderr);
    return 2;
  }
  out_dir = argv[1];
  std::mt19937_64 rng(20261208);
  writeShaders();
  writeLayouts();
  writeDistanceCase(rng, "distance", HomVec4::init(1, 0, 0, 0));
  writeDistanceCase(rng, "distance_oblique", HomVec4::init(0.3, -0.5, 0.7, 0.4));
  writeActionCase(rng);
  writeGeodesicCase(rng);
  writeVertexCase();
  writeS3ViewScene();
  if (!ok) std::fprintf(stderr, "gpu-fixtures: cannot write into %s\n", out_dir.c_str());
  return ok ? 0 : 1;
}

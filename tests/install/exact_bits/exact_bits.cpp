// Prints, for each engine operation a consumer may inline or call, one line
// "name hash": FNV-1a over the raw bits of its results on thousands of
// pseudo-random inputs. Every build of the engine and of this program (GCC
// and Clang, with and without -march=native, and wasm32) must print the same
// lines: the engine's arithmetic is fixed by its own rules (sums in index
// order, each product rounded), not by the compiler or the target. A batch
// runs at sizes that reach its vector loops and their tails, in every SIMD
// path this CPU runs; a path that disagrees with the others marks its line.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory_resource>
#include <span>
#include <vector>

#include "zevra_app/camera.hpp"
#include "zevra_gpu/conversion.hpp"
#include "zevra_gpu/cpu_batches.hpp"
#include "zevra_input/input_frame.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/fourth_root.hpp"
#include "zevra_kernel/kernel.hpp"
#include "zevra_kernel/simd_lanes.hpp"
#include "zevra_kernel/sine_cosine.hpp"
#include "zevra_kernel/tangent.hpp"

namespace {

using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;
using zevra_kernel::SimdPath;

constexpr int kRounds = 4000;

// splitmix64: the same sequence in every build.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 2^log2_bound), from 53 random bits. Inputs are made by
  // scaling with powers of two, which is exact: a product followed by a sum
  // here would itself be contracted under -march=native.
  double below(int log2_bound) {
    return std::ldexp(static_cast<double>(next() >> 11), log2_bound - 53);
  }
  // Uniform in [-2^(log2_width - 1), 2^(log2_width - 1)).
  double centred(int log2_width) { return below(log2_width) - std::ldexp(1.0, log2_width - 1); }
  double unit() { return centred(1); }  // [-1, 1)
  bool flag() { return (next() & 1) != 0; }
  // An angle of any size: up to 2^-30, 2^3, 2^20 (the medium reduction's
  // end) or 2^900 radians, either sign.
  double angle() {
    constexpr std::array<int, 4> widths{-30, 3, 20, 900};
    const double u = unit();  // drawn first: the order of arguments is the compiler's
    return std::ldexp(u, widths[next() % widths.size()]);
  }
  std::size_t index(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  HomVec4 point() { return HomVec4{unit(), unit(), unit(), unit()}; }  // drawn in order
  // A point, or one time in sixteen the zero vector (the norm floor's case).
  HomVec4 pointOrZero() { return (next() & 15) == 0 ? HomVec4{} : point(); }
  PGL4 matrix() {
    PGL4 m{};
    for (double& d : m.data) d = unit();
    return m;
  }
  zevra_kernel::F32x4 lanes() {
    zevra_kernel::F32x4 v{};
    for (int i = 0; i < 4; ++i) v[i] = static_cast<float>(unit());
    return v;
  }
};

struct Hash {
  std::uint64_t h = 0xCBF29CE484222325ull;
  bool paths_disagree = false;
  template <typename T>
  void add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001B3ull;
  }
  template <typename T>
  void addAll(std::span<const T> values) {
    for (const T& v : values) add(v);
  }
};

// Batch sizes: empty, the tails of two, four and eight lanes, whole vectors,
// the 256-point blocks of the distance batch and what follows them.
constexpr std::array<std::size_t, 12> kBatchSizes{0, 1, 2, 3, 5, 8, 9, 17, 255, 256, 257, 611};
// Past the size from which the AVX-512 action batch streams its images.
constexpr std::size_t kStreamedPoints =
    zevra_gpu::detail::kStreamedFromBytes / sizeof(HomVec4) + 37;

std::vector<HomVec4> points(Random& r, std::size_t n) {
  std::vector<HomVec4> p(n);
  for (HomVec4& q : p) q = r.pointOrZero();
  return p;
}

// Runs `batch(path, output)` in every path that runs here; hashes the widest
// path's output and notes whether any other path's output differs from it.
template <typename T, typename Batch>
void allPaths(Hash& h, std::size_t n, Batch batch) {
  std::vector<T> best(n), other(n);
  batch(zevra_kernel::bestSimdPath(), std::span<T>(best));
  for (SimdPath path : zevra_kernel::all_simd_paths) {
    if (!zevra_kernel::simdPathRuns(path)) continue;
    batch(path, std::span<T>(other));
    if (std::memcmp(best.data(), other.data(), n * sizeof(T)) != 0) h.paths_disagree = true;
  }
  h.addAll(std::span<const T>(best));
}

zevra_input::InputState randomInput(Random& r) {
  zevra_input::InputState in;
  in.camera_move_forward = r.flag();
  in.camera_move_back = r.flag();
  in.camera_move_left = r.flag();
  in.camera_move_right = r.flag();
  in.camera_move_up = r.flag();
  in.camera_move_down = r.flag();
  in.camera_orbit = r.flag();
  in.mouse.dx = r.centred(7);
  in.mouse.dy = r.centred(7);
  in.mouse.scroll_y = r.unit();
  return in;
}

// Two lanes with the values drawn in order (wider vectors are the batches').
zevra_kernel::simd::F64x2 unitLanes(Random& r) {
  zevra_kernel::simd::F64x2 v{};
  v[0] = r.below(0);
  v[1] = r.below(0);
  return v;
}

void cameraFrames(Random& r, zevra_app::ZevraCamera& camera) {
  for (int frame = 0; frame < 3; ++frame) {
    const zevra_input::InputState input = randomInput(r);
    camera.update(input, r.below(-3));
  }
}

using Check = void (*)(Random&, Hash&);

struct Entry {
  const char* name;
  Check check;
};

constexpr Entry kChecks[] = {
    {"PGL4::mul",
     [](Random& r, Hash& h) {
       const PGL4 a = r.matrix();
       h.add(PGL4::mul(a, r.matrix()));
     }},
    {"PGL4::apply", [](Random& r, Hash& h) { h.add(r.matrix().apply(r.point())); }},
    {"PGL4::det", [](Random& r, Hash& h) { h.add(r.matrix().det()); }},
    {"PGL4::normalizeDet", [](Random& r, Hash& h) { h.add(r.matrix().normalizeDet()); }},
    {"PGL4::inverse", [](Random& r, Hash& h) { h.add(r.matrix().inverse(1e-9, 8)); }},
    {"newtonSchulzInverse",
     [](Random& r, Hash& h) {
       const auto result = zevra_kernel::newtonSchulzInverse(r.matrix(), 1e-9, 8);
       h.add(result.inverse);
       h.add(result.iterations);
     }},
    {"PGL4 + - * / hadamard shiftDiagonal transpose",
     [](Random& r, Hash& h) {
       const PGL4 a = r.matrix();
       const PGL4 b = r.matrix();
       const double s = r.centred(4);
       h.add((a + b) - (s * a) + (b * s) / (s + 8.0));
       h.add(PGL4::hadamard(a, b).shiftDiagonal(s).transpose());
     }},
    {"pglTranslate pglScale",
     [](Random& r, Hash& h) {
       const double x = r.centred(6), y = r.centred(6), z = r.centred(6);
       h.add(PGL4::mul(zevra_kernel::pglTranslate(x, y, z), zevra_kernel::pglScale(z, x, y)));
     }},
    {"pglRotateZ", [](Random& r, Hash& h) { h.add(zevra_kernel::pglRotateZ(r.centred(5))); }},
    {"computeResonance computeProjector",
     [](Random& r, Hash& h) {
       const PGL4 a = r.matrix();
       h.add(zevra_kernel::computeResonance(a));
       h.add(zevra_kernel::computeProjector(a, 1e-9));
     }},
    {"deformedTensorProduct",
     [](Random& r, Hash& h) {
       const PGL4 x = r.matrix();
       const PGL4 y = r.matrix();
       h.add(zevra_kernel::deformedTensorProduct(x, y, r.unit()));
     }},
    {"HomVec4::dot",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.point();
       h.add(HomVec4::dot(a, r.point()));
     }},
    {"HomVec4::norm normalize cartesian3",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.pointOrZero();
       h.add(a.norm());
       h.add(a.normalize());
       h.add(a.cartesian3());
     }},
    {"HomVec4::pickBestCard isSamePoint isAntipodalTo",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.point();
       const HomVec4 b = r.flag() ? HomVec4{-a.x, -a.y, -a.z, -a.w} : r.point();
       h.add(a.pickBestCard());
       h.add(a.isSamePoint(b, 1e-9));
       h.add(a.isAntipodalTo(b, 1e-9));
     }},
    {"fsDistance",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.pointOrZero();
       h.add(zevra_kernel::fsDistance(a, r.pointOrZero()));
     }},
    {"fsDistanceBatch",
     [](Random& r, Hash& h) {
       const std::vector<HomVec4> p = points(r, kBatchSizes[r.index(kBatchSizes.size())]);
       const HomVec4 reference = r.pointOrZero();
       allPaths<double>(h, p.size(), [&](SimdPath path, std::span<double> out) {
         zevra_kernel::detail::fsDistanceBatchOn(path, p, reference, out);
       });
     }},
    {"wFromDistance",
     [](Random& r, Hash& h) {
       h.add(zevra_kernel::wFromDistance(r.below(25), zevra_kernel::R_MORVAI_KM * 1000.0));
     }},
    {"sFromW",
     [](Random& r, Hash& h) {
       h.add(zevra_kernel::sFromW(r.centred(2), zevra_kernel::R_MORVAI_KM * 1000.0));
     }},
    {"sinCos sine cosine",
     [](Random& r, Hash& h) {
       const double x = r.angle();
       h.add(zevra_kernel::sinCos(x));
       h.add(zevra_kernel::sine(x));
       h.add(zevra_kernel::cosine(x));
     }},
    {"tangent", [](Random& r, Hash& h) { h.add(zevra_kernel::tangent(r.angle())); }},
    {"inverseFourthRoot",
     [](Random& r, Hash& h) {
       const double m = r.below(0);
       h.add(zevra_kernel::inverseFourthRoot(std::ldexp(m, 40 - static_cast<int>(r.index(80)))));
     }},
    {"arcCosine", [](Random& r, Hash& h) { h.add(zevra_kernel::arcCosine(r.unit())); }},
    {"cordicInvSqrt", [](Random& r, Hash& h) { h.add(zevra_kernel::cordicInvSqrt(r.below(4))); }},
    {"acosUnit", [](Random& r, Hash& h) { h.add(zevra_kernel::acosUnit(r.below(0))); }},
    {"acosUnit in vector lanes",
     [](Random& r, Hash& h) { h.add(zevra_kernel::acosUnit(unitLanes(r))); }},
    {"simdDot4",
     [](Random& r, Hash& h) {
       const zevra_kernel::F32x4 a = r.lanes();
       h.add(zevra_kernel::simdDot4(a, r.lanes()));
     }},
    {"simdNormalize3", [](Random& r, Hash& h) { h.add(zevra_kernel::simdNormalize3(r.lanes())); }},
    {"homVec4ToGpu pgl4ToGpu batchToGpu",
     [](Random& r, Hash& h) {
       const std::array<HomVec4, 3> p{r.point(), r.point(), r.point()};
       std::array<zevra_gpu::GpuHomVec4, 3> gpu{};
       zevra_gpu::batchToGpu(p, gpu);
       h.add(gpu);
       h.add(zevra_gpu::homVec4ToGpu(r.point()));
       h.add(zevra_gpu::pgl4ToGpu(r.matrix()));
     }},
    {"cpuFSDistanceBatch",
     [](Random& r, Hash& h) {
       const std::vector<HomVec4> p = points(r, kBatchSizes[r.index(kBatchSizes.size())]);
       std::vector<double> out(p.size());
       zevra_gpu::cpuFSDistanceBatch(p, r.pointOrZero(), out);
       h.addAll(std::span<const double>(out));
     }},
    {"cpuPGLActionBatch",
     [](Random& r, Hash& h) {
       // Now and then enough points for the AVX-512 version to stream: large
       // allocations usually lie alike within their cache lines, as it needs.
       const bool streamed = r.index(400) == 0;
       const std::size_t n = streamed ? kStreamedPoints : kBatchSizes[r.index(kBatchSizes.size())];
       const std::vector<HomVec4> p = points(r, n);
       const PGL4 m = r.matrix();
       allPaths<HomVec4>(h, n, [&](SimdPath path, std::span<HomVec4> out) {
         zevra_gpu::detail::cpuPGLActionBatchOn(path, m, p, out);
       });
     }},
    {"InputState::cameraMoveDir cameraOrbitDelta",
     [](Random& r, Hash& h) {
       const zevra_input::InputState in = randomInput(r);
       h.add(in.cameraMoveDir());
       h.add(in.cameraOrbitDelta());
     }},
    {"InputFrame::apply",
     [](Random& r, Hash& h) {
       zevra_input::InputState st;
       zevra_input::InputFrame frame;
       std::pmr::memory_resource& alloc = *std::pmr::new_delete_resource();
       frame.begin(st);
       for (int i = 0; i < 4; ++i) {
         frame.apply(st, alloc,
                     zevra_input::InputEvent::mouseMove({.dx = r.centred(8), .dy = r.centred(8)}));
         frame.apply(st, alloc, zevra_input::InputEvent::mouseScroll({.y_offset = r.centred(3)}));
       }
       h.add(st.mouse.dx);
       h.add(st.mouse.dy);
       h.add(st.mouse.scroll_y);
       st.events.free(alloc);
     }},
    {"ZevraCamera::update+mvpGpu",
     [](Random& r, Hash& h) {
       zevra_app::ZevraCamera camera;
       cameraFrames(r, camera);
       h.add(camera.pos);
       h.add(camera.forward);
       h.add(camera.up);
       h.add(camera.right);
       h.add(camera.speed);
       h.add(camera.mvpGpu(0.5 + r.below(1)));
     }},
    {"ZevraCamera::viewPGL4",
     [](Random& r, Hash& h) {
       zevra_app::ZevraCamera camera;
       cameraFrames(r, camera);
       h.add(camera.viewPGL4());
     }},
    {"ZevraCamera::projectionPGL4",
     [](Random& r, Hash& h) {
       zevra_app::ZevraCamera camera;
       camera.fs_near = r.below(-2);
       camera.fs_far = 1.0 + r.below(2);
       h.add(camera.projectionPGL4(0.5 + r.below(1)));
     }},
};

}  // namespace

int main() {
  for (const Entry& e : kChecks) {
    Random random{0x5EED};
    Hash hash;
    for (int i = 0; i < kRounds; ++i) e.check(random, hash);
    std::printf("%s %016llx%s\n", e.name, static_cast<unsigned long long>(hash.h),
                hash.paths_disagree ? " (the SIMD paths disagree)" : "");
  }
  return 0;
}

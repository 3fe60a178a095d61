// Prints, for each engine operation a consumer may inline or call, one line
// "name hash": FNV-1a over the raw bits of its results on thousands of
// pseudo-random inputs. Built once with -O2 and once with -O2 -march=native,
// the two outputs must be identical: the engine's arithmetic is fixed by its
// own rules (sums in index order, each product rounded), not by the
// consumer's target.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "zevra_app/camera.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/kernel.hpp"

namespace {

using zevra_kernel::HomVec4;
using zevra_kernel::PGL4;

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
  HomVec4 point() { return HomVec4{unit(), unit(), unit(), unit()}; }  // drawn in order
  PGL4 matrix() {
    PGL4 m{};
    for (double& d : m.data) d = unit();
    return m;
  }
};

struct Hash {
  std::uint64_t h = 0xCBF29CE484222325ull;
  template <typename T>
  void add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001B3ull;
  }
};

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
    {"HomVec4::dot",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.point();
       h.add(HomVec4::dot(a, r.point()));
     }},
    {"fsDistance",
     [](Random& r, Hash& h) {
       const HomVec4 a = r.point();
       h.add(zevra_kernel::fsDistance(a, r.point()));
     }},
    {"fsDistanceBatch",
     [](Random& r, Hash& h) {
       std::array<HomVec4, 7> points;
       for (HomVec4& p : points) p = r.point();
       std::array<double, 7> out{};
       zevra_kernel::fsDistanceBatch(points, r.point(), out);
       h.add(out);
     }},
    {"cordicInvSqrt", [](Random& r, Hash& h) { h.add(zevra_kernel::cordicInvSqrt(r.below(4))); }},
    {"acosUnit", [](Random& r, Hash& h) { h.add(zevra_kernel::acosUnit(r.below(0))); }},
    {"simdDot4",
     [](Random& r, Hash& h) {
       const auto lanes = [&r] {
         zevra_kernel::F32x4 v{};
         for (int i = 0; i < 4; ++i) v[i] = static_cast<float>(r.unit());
         return v;
       };
       const zevra_kernel::F32x4 a = lanes();
       h.add(zevra_kernel::simdDot4(a, lanes()));
     }},
    {"deformedTensorProduct",
     [](Random& r, Hash& h) {
       const PGL4 x = r.matrix();
       const PGL4 y = r.matrix();
       h.add(zevra_kernel::deformedTensorProduct(x, y, r.unit()));
     }},
    {"InputState::cameraMoveDir",
     [](Random& r, Hash& h) { h.add(randomInput(r).cameraMoveDir()); }},
    {"ZevraCamera::update+mvpGpu",
     [](Random& r, Hash& h) {
       zevra_app::ZevraCamera camera;
       for (int frame = 0; frame < 3; ++frame) {
         const zevra_input::InputState input = randomInput(r);
         camera.update(input, r.below(-3));
       }
       h.add(camera.pos);
       h.add(camera.forward);
       h.add(camera.up);
       h.add(camera.right);
       h.add(camera.speed);
       h.add(camera.mvpGpu(0.5 + r.below(1)));
     }},
};

}  // namespace

int main() {
  for (const Entry& e : kChecks) {
    Random random{0x5EED};
    Hash hash;
    for (int i = 0; i < kRounds; ++i) e.check(random, hash);
    std::printf("%s %016llx\n", e.name, static_cast<unsigned long long>(hash.h));
  }
  return 0;
}

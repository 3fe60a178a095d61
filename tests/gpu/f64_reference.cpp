// The f64 references of what the shaders compute, shared by the fixture
// writers of the WebGPU checks and the browser tests' native twin.
#include <array>
#include <cstddef>

#include "fixtures.hpp"

namespace gpu_fixtures {

HomVec4 asRead(GpuHomVec4 g) { return HomVec4::init(g.x, g.y, g.z, g.w); }

State rk4Step(const State& y, double h) {
  const auto rhs = [](const State& s) -> State {
    const double speed_sq = s[4] * s[4] + s[5] * s[5] + s[6] * s[6] + s[7] * s[7];
    return {s[4],
            s[5],
            s[6],
            s[7],
            -speed_sq * s[0],
            -speed_sq * s[1],
            -speed_sq * s[2],
            -speed_sq * s[3]};
  };
  const auto axpy = [](const State& a, const State& k, double t) {
    State r{};
    for (std::size_t i = 0; i < 8; ++i) r[i] = a[i] + k[i] * t;
    return r;
  };
  const State k1 = rhs(y);
  const State k2 = rhs(axpy(y, k1, 0.5 * h));
  const State k3 = rhs(axpy(y, k2, 0.5 * h));
  const State k4 = rhs(axpy(y, k3, h));
  State r{};
  for (std::size_t i = 0; i < 8; ++i)
    r[i] = y[i] + ((k1[i] + 2 * k2[i]) + (2 * k3[i] + k4[i])) * (h / 6.0);
  return r;
}

std::array<double, 3> chartCoordinates(HomVec4 p) {
  switch (p.pickBestCard()) {
    case zevra_kernel::AffineCard::UW:
      return {p.x / p.w, p.y / p.w, p.z / p.w};
    case zevra_kernel::AffineCard::UX:
      return {p.y / p.x, p.z / p.x, p.w / p.x};
    case zevra_kernel::AffineCard::UY:
      return {p.x / p.y, p.z / p.y, p.w / p.y};
    case zevra_kernel::AffineCard::UZ:
      break;
  }
  return {p.x / p.z, p.y / p.z, p.w / p.z};
}

}  // namespace gpu_fixtures

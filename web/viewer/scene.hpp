#pragma once
// The viewer's scene, a picture of curved space: 64 Hopf circles (great
// circles of S^3 lying on four Clifford tori, any two of them linked) and the
// edges of a tesseract inscribed in S^3, each edge pushed out onto the sphere
// as a great-circle arc. Every curve is one lane of geodesic_rk4_step, traced on
// the GPU from the start states below; pgl_action_batch then moves the traced
// points by `motion`, a rigid motion of S^3 that turns with time.

#include <array>
#include <cstddef>

#include "zevra_gpu/records.hpp"
#include "zevra_kernel/pgl4.hpp"

namespace zevra_web {

inline constexpr std::size_t rings = 4;             // Clifford tori
inline constexpr std::size_t per_ring = 16;         // Hopf circles on each
inline constexpr std::size_t tesseract_edges = 16;  // one of each antipodal pair
inline constexpr std::size_t lanes = rings * per_ring + tesseract_edges;
// RK4 steps over half a turn of a unit-speed circle (a whole projective
// line); the tesseract's arcs of pi/3 move at a third of that speed.
inline constexpr std::size_t steps = 1440;
// Points traced per lane: the start, `steps` steps, and one step more, read
// by the vertex stage as the next point of the last one drawn.
inline constexpr std::size_t traced_rows = steps + 2;
inline constexpr std::size_t drawn_rows = steps + 1;

// Radians per second of the rigid motion while it runs.
inline constexpr double motion_rate = 0.25;

struct Scene {
  std::array<zevra_gpu::GpuGeodesicState, lanes> start{};
  zevra_gpu::RK4Params params{};
  // Per lane, what the fragment stage reads as uv: the colour (0-3 the tori,
  // 4 the tesseract) and a shade in [0, 1].
  std::array<std::array<float, 2>, lanes> colour{};
};

Scene buildScene();

// The rigid motion after `angle` radians: a fixed pose that shows the tori
// from the side, then a double rotation in the xw and yz planes at rates 1
// and 1/2 (a rotation of R^4, so an isometry of S^3 and of RP^3).
zevra_kernel::PGL4 motion(double angle);

}  // namespace zevra_web

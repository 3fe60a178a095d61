// The view matrix, the f32 model-view-projection record and the defaults.
#include <array>
#include <cstddef>
#include <string_view>

#include "cases.hpp"
#include "zevra_app/app_config.hpp"
#include "zevra_app/camera.hpp"
#include "zevra_input/input_state.hpp"

namespace app_cases {

using zevra_app::ZevraCamera;
using zevra_harness::expect;
using zevra_harness::Status;

namespace {

// A camera moved and turned so that every entry of its frame is non-zero.
ZevraCamera movedCamera() {
  ZevraCamera cam{};
  zevra_input::InputState input{};
  input.camera_move_forward = input.camera_move_right = input.camera_move_up = true;
  input.camera_orbit = true;
  input.mouse.dx = 40;
  input.mouse.dy = -25;
  for (int i = 0; i < 7; ++i) cam.update(input, 0.05);
  return cam;
}

// The indices of the result that lie in `row`.
bool inRow(std::size_t index, std::size_t row) { return index % 4 == row; }

}  // namespace

Status defaultViewIsIdentity() {
  const auto view = ZevraCamera{}.viewPGL4();
  for (std::size_t i = 0; i < 16; ++i) {
    ZEVRA_TRY(expect(view[i] == (i % 5 == 0 ? 1.0 : 0.0)));
  }
  return {};
}

Status defaultMvpValues() {
  const auto mvp = ZevraCamera{}.mvpGpu(1.7777777777777777).data;
  ZEVRA_TRY(expect(mvp[0] == static_cast<float>(0.9742785792574934)));
  ZEVRA_TRY(expect(mvp[5] == 1.7320508f && mvp[5] == static_cast<float>(1.732050807568877)));
  ZEVRA_TRY(expect(mvp[10] == static_cast<float>(-1.0063897763578273)));
  ZEVRA_TRY(expect(mvp[11] == -1.0f));
  ZEVRA_TRY(expect(mvp[14] == static_cast<float>(-0.020063897763578274)));
  for (std::size_t i : {1u, 2u, 3u, 4u, 6u, 7u, 8u, 9u, 12u, 13u, 15u})
    ZEVRA_TRY(expect(mvp[i] == 0.0f));

  const auto square = ZevraCamera{}.mvpGpu(1.0).data;
  ZEVRA_TRY(expect(square[0] == square[5]));
  return {};
}

Status mvpRowsFollowTheirInputs() {
  const ZevraCamera cam = movedCamera();
  const auto wide = cam.mvpGpu(1.7777777777777777).data;
  const auto narrow = cam.mvpGpu(0.5).data;
  for (std::size_t i = 0; i < 16; ++i) {
    ZEVRA_TRY(expect(inRow(i, 0) ? wide[i] != narrow[i] : wide[i] == narrow[i]));
  }
  ZevraCamera deeper = cam;
  deeper.fs_near = 0.1;
  const auto near_moved = deeper.mvpGpu(1.7777777777777777).data;
  deeper = cam;
  deeper.fs_far = 10.0;
  const auto far_moved = deeper.mvpGpu(1.7777777777777777).data;
  for (std::size_t i = 0; i < 16; ++i) {
    ZEVRA_TRY(expect(inRow(i, 2) ? near_moved[i] != wide[i] : near_moved[i] == wide[i]));
    ZEVRA_TRY(expect(inRow(i, 2) ? far_moved[i] != wide[i] : far_moved[i] == wide[i]));
  }
  return {};
}

// P has non-zeros only at (0,0), (1,1), (2,2), (3,2) and (2,3), so column j
// of P * V is (p0 v0, p5 v1, p10 v2 + p14 v3, -v2) with v column j of V; every
// other product adds an exact zero, so the f32 result matches to the bit.
Status mvpIsProjectionTimesMovedFrame() {
  const ZevraCamera cam = movedCamera();
  const auto mvp = cam.mvpGpu(1.5).data;
  const auto p = ZevraCamera{}.mvpGpu(1.5).data;  // the identity view gives P itself
  const auto view = cam.viewPGL4();
  for (std::size_t j = 0; j < 4; ++j) {
    std::array<float, 4> v{};
    for (std::size_t k = 0; k < 4; ++k) v[k] = static_cast<float>(view[4 * j + k]);
    ZEVRA_TRY(expect(mvp[4 * j + 0] == p[0] * v[0]));
    ZEVRA_TRY(expect(mvp[4 * j + 1] == p[5] * v[1]));
    ZEVRA_TRY(expect(mvp[4 * j + 2] == p[10] * v[2] + p[14] * v[3]));
    ZEVRA_TRY(expect(mvp[4 * j + 3] == -v[2]));
  }
  // The columns of V are right, up, -forward, pos: row 3 of column 3 is -pos.z.
  ZEVRA_TRY(expect(mvp[15] == -static_cast<float>(cam.pos[2])));
  // Times the transpose, row 3 of column 0 would be forward.x, not -right.z.
  ZEVRA_TRY(expect(mvp[3] == -static_cast<float>(cam.right[2])));
  ZEVRA_TRY(expect(mvp[3] != static_cast<float>(cam.forward[0])));
  return {};
}

Status appConfigAllDefaults() {
  constexpr zevra_app::AppConfig config{};
  constexpr std::string_view title = "Zevra Engine \xE2\x80\x94 Projective Geometry";
  ZEVRA_TRY(expect(config.title == title && config.title.size() == 36));
  ZEVRA_TRY(expect(config.width == 1280 && config.height == 720));
  ZEVRA_TRY(expect(config.target_fps == 60.0));
  ZEVRA_TRY(expect(config.max_points == 100000 && config.max_geodesics == 10000));
  ZEVRA_TRY(expect(config.vsync));
  return {};
}

}  // namespace app_cases

// The registered tests of zevra_input.
#include <cmath>

#include "zevra_input/input_event.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_input/key_action.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/mouse_button.hpp"
#include "zevra_input/mouse_state.hpp"
#include "zevra_input/selftests/tests.hpp"

namespace zevra_input::test {

using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;

Status keyModsIsOneByte() { return expect(sizeof(KeyMods) == 1); }

Status mouseStateInitialValues() {
  constexpr MouseState ms{};
  ZEVRA_TRY(expect(ms.x == 0.0));
  ZEVRA_TRY(expect(!ms.left_pressed));
  return {};
}

Status inputStateInitialState() {
  constexpr InputState st{};
  ZEVRA_TRY(expect(st.camera_speed == 1.0));
  ZEVRA_TRY(expect(st.max_events == 256));
  return {};
}

Status moveDirWithNoInput() {
  const InputState st{};
  const auto dir = st.cameraMoveDir();
  ZEVRA_TRY(expect(dir[0] == 0.0));
  ZEVRA_TRY(expect(dir[1] == 0.0));
  ZEVRA_TRY(expect(dir[2] == 0.0));
  return {};
}

Status moveDirForward() {
  InputState st{};
  st.camera_move_forward = true;
  const auto dir = st.cameraMoveDir();
  ZEVRA_TRY(expectApproxEqAbs(dir[2], 1.0, 1e-10));
  return {};
}

Status moveDirNormalizedDiagonal() {
  InputState st{};
  st.camera_move_forward = true;
  st.camera_move_right = true;
  const auto dir = st.cameraMoveDir();
  const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
  ZEVRA_TRY(expectApproxEqAbs(len, 1.0, 1e-10));
  return {};
}

Status inputEventSize() { return expect(sizeof(InputEvent) == 40); }

Status mouseButtonValues() {
  ZEVRA_TRY(expect(static_cast<unsigned>(MouseButton::left) == 0));
  ZEVRA_TRY(expect(static_cast<unsigned>(MouseButton::right) == 1));
  ZEVRA_TRY(expect(static_cast<unsigned>(MouseButton::middle) == 2));
  return {};
}

Status keyActionValues() {
  ZEVRA_TRY(expect(static_cast<unsigned>(KeyAction::release) == 0));
  ZEVRA_TRY(expect(static_cast<unsigned>(KeyAction::press) == 1));
  ZEVRA_TRY(expect(static_cast<unsigned>(KeyAction::repeat) == 2));
  return {};
}

Status mouseStateClearDeltas() {
  MouseState ms{.dx = 10, .dy = 5, .scroll_x = 1, .scroll_y = 2};
  ms.clearDeltas();
  ZEVRA_TRY(expect(ms.dx == 0.0));
  ZEVRA_TRY(expect(ms.dy == 0.0));
  ZEVRA_TRY(expect(ms.scroll_x == 0.0));
  ZEVRA_TRY(expect(ms.scroll_y == 0.0));
  ZEVRA_TRY(expect(ms.x == 0.0));
  return {};
}

}  // namespace zevra_input::test

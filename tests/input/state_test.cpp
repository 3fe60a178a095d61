// Key sets, the camera intents, the per-frame mouse reset and the event list
// on the checking allocator of the test.
#include <cmath>

#include "cases.hpp"
#include "zevra_input/input_state.hpp"
#include "zevra_input/key_set.hpp"

namespace input_cases {

using zevra_harness::expect;
using zevra_harness::expectApproxEqAbs;
using zevra_harness::Status;
using namespace zevra_input;

namespace {

bool dirIs(const InputState& st, double x, double y, double z) {
  const auto d = st.cameraMoveDir();
  return d[0] == x && d[1] == y && d[2] == z;
}

}  // namespace

Status keySetBits() {
  KeySet set{};
  const Key edges[] = {Key{0}, Key{63}, Key{64}, Key::right_alt, Key{511}, Key{71}};
  for (Key k : edges) {
    ZEVRA_TRY(expect(!hasKey(set, k)));
    setKey(set, k, true);
    ZEVRA_TRY(expect(hasKey(set, k)));
  }
  ZEVRA_TRY(expect(set[0] == (1u | std::uint64_t{1} << 63) && set[7] == std::uint64_t{1} << 63));
  ZEVRA_TRY(expect(set[5] == std::uint64_t{1} << (346 - 320)));
  setKey(set, Key{64}, false);
  ZEVRA_TRY(expect(!hasKey(set, Key{64}) && hasKey(set, Key{63}) && set[1] == 1u << 7));
  // Codes the set cannot hold change nothing and never read as held.
  const KeySet before = set;
  setKey(set, Key{512}, true);
  setKey(set, Key{0xFFFF}, true);
  ZEVRA_TRY(expect(set == before));
  ZEVRA_TRY(expect(!hasKey(set, Key{512}) && !hasKey(set, Key{0xFFFF})));
  return {};
}

Status moveDirCancelsAndNormalises() {
  InputState st{};
  st.camera_move_forward = st.camera_move_back = true;
  ZEVRA_TRY(expect(dirIs(st, 0, 0, 0)));
  st.camera_move_left = st.camera_move_right = st.camera_move_up = st.camera_move_down = true;
  ZEVRA_TRY(expect(dirIs(st, 0, 0, 0)));

  InputState left{};
  left.camera_move_left = true;
  ZEVRA_TRY(expect(dirIs(left, -1, 0, 0)));
  InputState down{};
  down.camera_move_down = true;
  ZEVRA_TRY(expect(dirIs(down, 0, -1, 0)));
  InputState back{};
  back.camera_move_back = true;
  ZEVRA_TRY(expect(dirIs(back, 0, 0, -1)));

  InputState diag{};
  diag.camera_move_forward = diag.camera_move_right = true;
  const auto d = diag.cameraMoveDir();
  ZEVRA_TRY(expectApproxEqAbs(d[0], 0.7071067811865475, 1e-15));
  ZEVRA_TRY(expect(d[1] == 0.0));
  ZEVRA_TRY(expectApproxEqAbs(d[2], 0.7071067811865475, 1e-15));

  InputState three{};
  three.camera_move_back = three.camera_move_left = three.camera_move_up = true;
  const auto t = three.cameraMoveDir();
  const double third = 1.0 / std::sqrt(3.0);
  ZEVRA_TRY(expectApproxEqAbs(t[0], -third, 1e-15));
  ZEVRA_TRY(expectApproxEqAbs(t[1], third, 1e-15));
  ZEVRA_TRY(expectApproxEqAbs(t[2], -third, 1e-15));
  return {};
}

Status orbitDelta() {
  InputState st{};
  st.mouse.dx = 7;
  st.mouse.dy = -3;
  auto o = st.cameraOrbitDelta();
  ZEVRA_TRY(expect(o[0] == 0.0 && o[1] == 0.0));
  st.camera_orbit = true;
  o = st.cameraOrbitDelta();
  ZEVRA_TRY(expect(o[0] == 7.0 && o[1] == -3.0));
  return {};
}

Status clearDeltasKeepsPositionAndButtons() {
  MouseState ms{.x = 100,
                .y = 200,
                .dx = 1,
                .dy = 2,
                .scroll_x = 3,
                .scroll_y = 4,
                .left_pressed = true,
                .middle_pressed = true};
  ms.clearDeltas();
  ZEVRA_TRY(expect(ms.dx == 0.0 && ms.dy == 0.0 && ms.scroll_x == 0.0 && ms.scroll_y == 0.0));
  ZEVRA_TRY(expect(ms.x == 100.0 && ms.y == 200.0));
  ZEVRA_TRY(expect(ms.left_pressed && !ms.right_pressed && ms.middle_pressed));
  return {};
}

Status eventListBoundedByMaxEvents() {
  auto& alloc = zevra_harness::allocator();
  InputState st{};
  for (std::uint32_t i = 0; i < st.max_events; ++i) {
    ZEVRA_TRY(expect(st.recordEvent(alloc, InputEvent::charInput(0x41 + i)).has_value()));
  }
  const auto full = st.recordEvent(alloc, InputEvent::charInput(U'!'));
  ZEVRA_TRY(expect(!full && full.error() == EventListError::full));
  ZEVRA_TRY(expect(st.events.size() == 256 && st.events.capacity() == 256));
  bool in_order = true;
  for (std::uint32_t i = 0; i < 256; ++i) {
    in_order = in_order && *st.events.items()[i].codePoint() == 0x41 + i;
  }
  ZEVRA_TRY(expect(in_order));

  // Growth stops at a limit that is not a power of two.
  InputState small{};
  small.max_events = 11;
  for (int i = 0; i < 12; ++i) (void)small.recordEvent(alloc, InputEvent::charInput(U'a'));
  ZEVRA_TRY(expect(small.events.size() == 11 && small.events.capacity() == 11));
  small.max_events = 0;
  small.events.free(alloc);
  ZEVRA_TRY(expect(!small.recordEvent(alloc, InputEvent::charInput(U'a'))));
  ZEVRA_TRY(expect(small.events.capacity() == 0));
  st.events.free(alloc);
  return {};
}

Status eventListClearMoveAndFree() {
  auto& alloc = zevra_harness::allocator();
  EventList list;
  for (int i = 0; i < 9; ++i) {
    ZEVRA_TRY(expect(list.append(alloc, InputEvent::charInput(U'x'), 256).has_value()));
  }
  ZEVRA_TRY(expect(list.size() == 9 && list.capacity() == 16));
  list.clear();
  ZEVRA_TRY(expect(list.empty() && list.capacity() == 16));
  ZEVRA_TRY(expect(list.append(alloc, InputEvent::charInput(U'y'), 256).has_value()));

  EventList taken(std::move(list));
  ZEVRA_TRY(expect(list.capacity() == 0 && list.empty()));
  ZEVRA_TRY(expect(taken.size() == 1 && *taken.items()[0].codePoint() == U'y'));
  list.free(alloc);  // nothing held: nothing returned
  taken.free(alloc);
  ZEVRA_TRY(expect(taken.capacity() == 0 && taken.items().empty()));
  return {};
}

}  // namespace input_cases

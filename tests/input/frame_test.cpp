// The frame life of InputState as one scripted session with the default
// bindings: each row is a frame, the events applied after `begin`, and what
// the state holds afterwards. Then a replaced binding table.
#include <initializer_list>
#include <string_view>

#include "cases.hpp"
#include "zevra_input/input_frame.hpp"

namespace input_cases {

using zevra_harness::expect;
using zevra_harness::Status;
using namespace zevra_input;

namespace {

using I = Intent;
constexpr unsigned bit(Intent i) { return 1u << static_cast<unsigned>(i); }
constexpr unsigned m_forward = bit(I::camera_move_forward), m_right = bit(I::camera_move_right),
                   m_down = bit(I::camera_move_down), m_orbit = bit(I::camera_orbit),
                   m_close = bit(I::should_close);
constexpr unsigned m_requests =
    m_close | bit(I::toggle_wireframe) | bit(I::toggle_pipeline) | bit(I::reset_camera);

InputEvent key(InputEventTag t, Key k, KeyMods m) {
  return InputEvent::keyEvent(t, {.key = k, .mods = m});
}
InputEvent press(Key k) { return key(InputEventTag::key_press, k, {}); }
InputEvent release(Key k) { return key(InputEventTag::key_release, k, {}); }
InputEvent repeat(Key k, KeyMods m = {}) { return key(InputEventTag::key_repeat, k, m); }
InputEvent button(MouseButton b, bool down, double x = 0) {
  return InputEvent::mouseButton(down ? InputEventTag::mouse_press : InputEventTag::mouse_release,
                                 {.x = x, .button = b});
}
InputEvent move(double x, double dx) { return InputEvent::mouseMove({.x = x, .dx = dx}); }
InputEvent scroll(double y) { return InputEvent::mouseScroll({.y_offset = y}); }

unsigned intentsOf(const InputState& st) {
  unsigned r = 0;
  for (unsigned i = 0; i < intent_flags.size(); ++i) r |= st.*intent_flags[i] ? 1u << i : 0u;
  return r;
}

KeySet setOf(std::initializer_list<Key> keys) {
  KeySet s{};
  for (Key k : keys) setKey(s, k, true);
  return s;
}

struct Frame {
  std::string_view what;
  std::initializer_list<InputEvent> events;
  unsigned intents;
  KeySet held, just_pressed, just_released;
  double cursor_x, dx, scroll_y;
  std::uint8_t mods;
  std::size_t recorded;
  std::uint32_t dropped;
};

}  // namespace

Status frameLifeWithBindings() {
  using enum Key;
  // clang-format off
  const Frame script[] = {
      // what, events,
      //   intents, held, just pressed, just released, cursor x, dx, scroll y, mods, kept, dropped
      {"W and D go down", {press(w), press(d)},
       m_forward | m_right, setOf({w, d}), setOf({w, d}), {}, 0, 0, 0, 0, 2, 0},
      {"held over a frame", {},
       m_forward | m_right, setOf({w, d}), {}, {}, 0, 0, 0, 0, 0, 0},
      {"W up", {release(w)},
       m_right, setOf({d}), {}, setOf({w}), 0, 0, 0, 0, 1, 0},
      {"four requests tapped, past max_events",
       {press(escape), release(escape), press(f1), release(f1), press(f2), release(f2),
        press(r), release(r)},
       m_right | m_requests, setOf({d}), setOf({escape, f1, f2, r}), setOf({escape, f1, f2, r}),
       0, 0, 0, 0, 4, 4},
      {"requests last one frame, close stays", {},
       m_right | m_close, setOf({d}), {}, {}, 0, 0, 0, 0, 0, 0},
      {"right drag", {button(MouseButton::right, true, 100), move(130, 30), move(200, 70)},
       m_right | m_close | m_orbit, setOf({d}), {}, {}, 200, 100, 0, 0, 3, 0},
      {"right up, wheel", {button(MouseButton::right, false, 200), scroll(1), scroll(0.5)},
       m_right | m_close, setOf({d}), {}, {}, 200, 0, 1.5, 0, 3, 0},
      // X11 reports the modifiers from before the event: none for Shift's own press.
      {"D repeats, Left Shift down", {repeat(d), press(left_shift)},
       m_right | m_close | m_down, setOf({d, left_shift}), setOf({left_shift}), {},
       200, 0, 0, 0x01, 2, 0},
      {"a repeat raises no request", {repeat(r, {.shift = true})},
       m_right | m_close | m_down, setOf({d, left_shift, r}), {}, {}, 200, 0, 0, 0x01, 1, 0},
  };
  // clang-format on
  auto& alloc = zevra_harness::allocator();
  InputState st{};
  st.max_events = 4;
  struct FreeEvents {
    InputState& st;
    std::pmr::memory_resource& alloc;
    ~FreeEvents() { st.events.free(alloc); }
  } free_events{st, alloc};
  InputFrame frame;
  for (const Frame& f : script) {
    frame.begin(st);
    for (const InputEvent& ev : f.events) frame.apply(st, alloc, ev);
    ZEVRA_TRY(expect(intentsOf(st) == f.intents));
    ZEVRA_TRY(expect(st.keys_pressed == f.held && st.keys_just_pressed == f.just_pressed &&
                     st.keys_just_released == f.just_released));
    ZEVRA_TRY(expect(st.mouse.x == f.cursor_x && st.mouse.dx == f.dx &&
                     st.mouse.scroll_y == f.scroll_y && st.mods.toBits() == f.mods));
    ZEVRA_TRY(expect(st.events.size() == f.recorded && frame.dropped_events == f.dropped));
  }

  // A table replaced between frames applies from the next `begin`: D and
  // Left Shift are still held but bound to nothing, Escape no longer closes.
  constexpr auto arrows = std::to_array<Binding>({
      Binding::key(up, I::camera_move_forward),
      Binding::mouse(MouseButton::middle, I::camera_orbit),
      Binding::key(q, I::should_close),
  });
  frame.bindings = arrows;
  st.should_close = false;
  frame.begin(st);
  ZEVRA_TRY(expect(intentsOf(st) == 0));
  for (const InputEvent& ev : {press(up), button(MouseButton::middle, true), press(escape)}) {
    frame.apply(st, alloc, ev);
  }
  ZEVRA_TRY(expect(intentsOf(st) == (m_forward | m_orbit)));
  return {};
}

}  // namespace input_cases

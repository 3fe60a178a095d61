// KeyMods as a byte, the byte layout of InputEvent and its payload access.
#include <cstdint>
#include <cstring>

#include "cases.hpp"
#include "zevra_input/input_event.hpp"
#include "zevra_input/key_mods.hpp"

namespace input_cases {

using zevra_harness::expect;
using zevra_harness::Status;
using namespace zevra_input;

Status keyModsBitsRoundTrip() {
  for (unsigned bits = 0; bits < 64; ++bits) {
    const auto b = static_cast<std::uint8_t>(bits);
    ZEVRA_TRY(expect(KeyMods::fromBits(b).toBits() == b));
  }
  // Bits 6 and 7 name nothing: they do not turn into a held modifier.
  ZEVRA_TRY(expect(KeyMods::fromBits(0xC0).none()));
  ZEVRA_TRY(expect(KeyMods{}.none()));
  ZEVRA_TRY(expect(!KeyMods{.alt = true}.none()));
  return {};
}

Status eventLayoutInBytes() {
  const InputEvent scroll =
      InputEvent::mouseScroll({.x_offset = 1.5, .y_offset = -2.0, .x = 10, .y = 20});
  unsigned char bytes[sizeof(InputEvent)];
  std::memcpy(bytes, &scroll, sizeof bytes);
  ZEVRA_TRY(expect(bytes[32] == 6));
  double y_offset = 0;
  std::memcpy(&y_offset, bytes + 8, sizeof y_offset);
  ZEVRA_TRY(expect(y_offset == -2.0));

  const InputEvent key = InputEvent::keyEvent(InputEventTag::key_repeat,
                                              {.scancode = 0x01020304,
                                               .key = Key::right_alt,
                                               .mods = KeyMods{.shift = true, .num_lock = true}});
  std::memcpy(bytes, &key, sizeof bytes);
  std::uint32_t scancode = 0;
  std::uint16_t code = 0;
  std::memcpy(&scancode, bytes, 4);
  std::memcpy(&code, bytes + 4, 2);
  ZEVRA_TRY(expect(scancode == 0x01020304 && code == 346));
  ZEVRA_TRY(expect(bytes[6] == 0x21 && bytes[32] == 2));
  return {};
}

Status eventPayloadByTag() {
  const InputEvent press =
      InputEvent::mouseButton(InputEventTag::mouse_press, {.x = 3, .button = MouseButton::middle});
  ZEVRA_TRY(expect(press.mouseButtonData() != nullptr));
  ZEVRA_TRY(expect(press.mouseButtonData()->button == MouseButton::middle));
  ZEVRA_TRY(expect(press.keyData() == nullptr && press.mouseMoveData() == nullptr &&
                   press.mouseScrollData() == nullptr && press.codePoint() == nullptr));

  const InputEvent release = InputEvent::keyEvent(InputEventTag::key_release, {.key = Key::q});
  ZEVRA_TRY(expect(release.keyData() != nullptr && release.keyData()->key == Key::q));
  ZEVRA_TRY(expect(release.mouseButtonData() == nullptr));

  const InputEvent move = InputEvent::mouseMove({.x = 1, .y = 2, .dx = 3, .dy = 4});
  ZEVRA_TRY(expect(move.mouseMoveData() != nullptr && move.mouseMoveData()->dy == 4.0));
  ZEVRA_TRY(expect(move.keyData() == nullptr));
  return {};
}

Status charInputCodePoints() {
  const InputEvent last = InputEvent::charInput(U'\U0010FFFF');
  ZEVRA_TRY(expect(static_cast<unsigned>(last.tag) == 7));
  ZEVRA_TRY(expect(last.codePoint() != nullptr && *last.codePoint() == 0x10FFFF));
  // Beyond the last code point (and beyond 21 bits) the event carries U+FFFD.
  ZEVRA_TRY(expect(*InputEvent::charInput(0x110000).codePoint() == 0xFFFD));
  ZEVRA_TRY(expect(*InputEvent::charInput(0xFFFFFFFF).codePoint() == 0xFFFD));
  ZEVRA_TRY(expect(*InputEvent::charInput(U'\u2014').codePoint() == 0x2014));
  return {};
}

}  // namespace input_cases

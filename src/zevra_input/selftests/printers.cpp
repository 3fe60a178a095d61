#include "zevra_input/selftests/printers.hpp"

#include <cstdint>
#include <string_view>

namespace zevra_input {

void printValue(zevra_harness::TextSink& out, KeyAction action) {
  switch (action) {
    case KeyAction::release:
      return out.text("release");
    case KeyAction::press:
      return out.text("press");
    case KeyAction::repeat:
      return out.text("repeat");
  }
  out.print("KeyAction({})", static_cast<std::uint8_t>(action));
}

void printValue(zevra_harness::TextSink& out, MouseButton button) {
  switch (button) {
    case MouseButton::left:
      return out.text("left");
    case MouseButton::right:
      return out.text("right");
    case MouseButton::middle:
      return out.text("middle");
  }
  out.print("MouseButton({})", static_cast<std::uint8_t>(button));
}

void printValue(zevra_harness::TextSink& out, KeyMods mods) {
  constexpr std::string_view kNames[] = {"shift", "control",   "alt",
                                         "super", "caps_lock", "num_lock"};
  out.text("KeyMods(");
  if (mods.none()) out.text("none");
  const std::uint8_t bits = mods.toBits();
  bool first = true;
  for (unsigned i = 0; i < 6; ++i) {
    if ((bits & (1u << i)) == 0) continue;
    if (!first) out.text("+");
    out.text(kNames[i]);
    first = false;
  }
  out.text(")");
}

}  // namespace zevra_input

#pragma once
// How the input vocabulary prints in test messages (print, log,
// expectEqual), found by argument-dependent lookup. Test support: the
// module's library itself knows nothing of the harness. A Key prints as its
// GLFW code, the number expectEqual shows of an enumeration.

#include "zevra_harness/print.hpp"
#include "zevra_input/key_action.hpp"
#include "zevra_input/key_mods.hpp"
#include "zevra_input/mouse_button.hpp"

namespace zevra_input {

// "release", "press", "repeat".
void printValue(zevra_harness::TextSink& out, KeyAction action);
// "left", "right", "middle".
void printValue(zevra_harness::TextSink& out, MouseButton button);
// "KeyMods(shift+alt)", "KeyMods(none)".
void printValue(zevra_harness::TextSink& out, KeyMods mods);

}  // namespace zevra_input

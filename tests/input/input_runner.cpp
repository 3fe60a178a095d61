// input-tests: the input model's vocabulary checked against the window
// library's header, its byte layouts, key sets, camera intents and the event
// list on the checking allocator, and the frame life with its bindings.
#include <array>

#include "cases.hpp"
#include "zevra_harness/main.hpp"
#include "zevra_harness/registry.hpp"

namespace {

constexpr auto input_tests = std::to_array<zevra_harness::TestFn>({
    {"input.Key codes and keys:: constants equal GLFW's", &input_cases::keysMatchGlfw},
    {"input.KeyboardEvent.code names reach every GLFW key",
     &input_cases::domCodesReachEveryGlfwKey},
    {"input.KeyMods bits, KeyAction and MouseButton equal GLFW's",
     &input_cases::modsActionsButtonsMatchGlfw},
    {"input.KeyMods round trip through its byte", &input_cases::keyModsBitsRoundTrip},
    {"input.InputEvent layout in bytes", &input_cases::eventLayoutInBytes},
    {"input.InputEvent payload selected by tag", &input_cases::eventPayloadByTag},
    {"input.InputEvent char_input code points", &input_cases::charInputCodePoints},
    {"input.KeySet bits", &input_cases::keySetBits},
    {"input.cameraMoveDir cancels and normalises", &input_cases::moveDirCancelsAndNormalises},
    {"input.cameraOrbitDelta", &input_cases::orbitDelta},
    {"input.clearDeltas keeps position and buttons",
     &input_cases::clearDeltasKeepsPositionAndButtons},
    {"input.events bounded by max_events", &input_cases::eventListBoundedByMaxEvents},
    {"input.events clear, move and free", &input_cases::eventListClearMoveAndFree},
    {"input.frame life with the bindings", &input_cases::frameLifeWithBindings},
});

}  // namespace

int main(int argc, char** argv) { return zevra_harness::runMain(input_tests, argc, argv); }

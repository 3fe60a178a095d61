#pragma once
// The tests zevra_input registers, in source order.

#include <array>

#include "zevra_harness/testing.hpp"

namespace zevra_input::test {

zevra_harness::Status keyModsIsOneByte();
zevra_harness::Status mouseStateInitialValues();
zevra_harness::Status inputStateInitialState();
zevra_harness::Status moveDirWithNoInput();
zevra_harness::Status moveDirForward();
zevra_harness::Status moveDirNormalizedDiagonal();
zevra_harness::Status inputEventSize();
zevra_harness::Status mouseButtonValues();
zevra_harness::Status keyActionValues();
zevra_harness::Status mouseStateClearDeltas();

inline constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"zevra_input.test.Input: KeyMods is 1 byte", &keyModsIsOneByte},
    {"zevra_input.test.Input: MouseState initial values", &mouseStateInitialValues},
    {"zevra_input.test.Input: InputState initial state", &inputStateInitialState},
    {"zevra_input.test.Input: cameraMoveDir with no input", &moveDirWithNoInput},
    {"zevra_input.test.Input: cameraMoveDir forward", &moveDirForward},
    {"zevra_input.test.Input: cameraMoveDir normalized diagonal", &moveDirNormalizedDiagonal},
    {"zevra_input.test.Input: InputEvent tagged union size", &inputEventSize},
    {"zevra_input.test.Input: MouseButton enum values", &mouseButtonValues},
    {"zevra_input.test.Input: KeyAction enum values", &keyActionValues},
    {"zevra_input.test.Input: MouseState clearDeltas", &mouseStateClearDeltas},
});

}  // namespace zevra_input::test

#pragma once
// The cases of input-tests, one function each, listed in input_runner.cpp.

#include "zevra_harness/testing.hpp"

namespace input_cases {

zevra_harness::Status keysMatchGlfw();
zevra_harness::Status domCodesReachEveryGlfwKey();
zevra_harness::Status modsActionsButtonsMatchGlfw();
zevra_harness::Status keyModsBitsRoundTrip();
zevra_harness::Status eventLayoutInBytes();
zevra_harness::Status eventPayloadByTag();
zevra_harness::Status charInputCodePoints();
zevra_harness::Status keySetBits();
zevra_harness::Status moveDirCancelsAndNormalises();
zevra_harness::Status orbitDelta();
zevra_harness::Status clearDeltasKeepsPositionAndButtons();
zevra_harness::Status eventListBoundedByMaxEvents();
zevra_harness::Status eventListClearMoveAndFree();
zevra_harness::Status frameLifeWithBindings();

}  // namespace input_cases

#pragma once
// The cases of app-tests, one function each, listed in app_runner.cpp.

#include "zevra_harness/testing.hpp"

namespace app_cases {

zevra_harness::Status oneForwardFrame();
zevra_harness::Status diagonalMovesAtSameRate();
zevra_harness::Status zeroInputChangesNothing();
zevra_harness::Status yawAndPitchDirections();
zevra_harness::Status speedFromScroll();
zevra_harness::Status resetKeepsSettings();
zevra_harness::Status frameStaysOrthonormal();
zevra_harness::Status reorthonormalizeZeroUp();
zevra_harness::Status defaultViewIsIdentity();
zevra_harness::Status defaultMvpValues();
zevra_harness::Status mvpRowsFollowTheirInputs();
zevra_harness::Status mvpIsProjectionTimesMovedFrame();
zevra_harness::Status appConfigAllDefaults();

}  // namespace app_cases

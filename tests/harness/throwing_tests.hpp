#pragma once
// Tests of the outcomes runner that throw (throwing_tests.cpp, built with
// exceptions): an exception of the standard library, one of the test's own,
// and something that is no std::exception.

#include "zevra_harness/testing.hpp"

namespace outcomes {

zevra_harness::Status throwsFromTheLibrary();
zevra_harness::Status throwsAnError();
zevra_harness::Status throwsAnInt();

}  // namespace outcomes

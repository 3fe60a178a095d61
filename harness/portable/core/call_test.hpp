#pragma once
// The call of a test, the one place the harness catches exceptions: a test
// that throws fails with TestUnexpectedException after the line
// "uncaught exception: {what()}" ("unknown exception" for a throw of
// anything but a std::exception), and the run goes on. This unit alone is
// built with exceptions; built without them (WebAssembly), it calls the
// test and nothing more.

#include "zevra_harness/testing.hpp"

namespace zevra_harness::detail {

Status callTest(const TestFn& test);

}  // namespace zevra_harness::detail

#pragma once
// The failure trace of the current test: where its error was raised and the
// places it was passed back through, printed after a FAIL line.

#include "zevra_harness/print.hpp"

namespace zevra_harness {

// One line per recorded place: "{file}:{line}:{column}: in {function}".
// Call with standard error locked.
void appendFailureTrace(Buffer& out);

}  // namespace zevra_harness

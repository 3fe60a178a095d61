#pragma once
// How the kernel's values print in test messages (print, log, expectEqual),
// found by argument-dependent lookup. Test support: the module's library
// itself knows nothing of the harness.

#include "zevra_harness/print.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/pgl4.hpp"

namespace zevra_kernel {

// "HomVec4(1e0, 2e0, 3e0, 1e0)".
void printValue(zevra_harness::TextSink& out, const HomVec4& v);
// "UW", "UX", "UY", "UZ".
void printValue(zevra_harness::TextSink& out, AffineCard card);
// "PGL4(columns (1e0, 0e0, 0e0, 0e0) (...) (...) (...))", as stored.
void printValue(zevra_harness::TextSink& out, const PGL4& m);

}  // namespace zevra_kernel

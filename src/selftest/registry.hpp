#pragma once
// The registry of zevra-selftest: the modules' tests joined in the fixed
// order app, input, gpu, kernel.

#include "zevra_app/selftests/tests.hpp"
#include "zevra_gpu/selftests/tests.hpp"
#include "zevra_harness/registry.hpp"
#include "zevra_input/selftests/tests.hpp"
#include "zevra_kernel/selftests/tests.hpp"

namespace zevra_selftest {

inline constexpr auto test_functions =
    zevra_harness::joinTests(zevra_app::test::tests, zevra_input::test::tests,
                             zevra_gpu::test::tests, zevra_kernel::test::tests);

}  // namespace zevra_selftest

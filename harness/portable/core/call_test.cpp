#include "harness/portable/core/call_test.hpp"

#include <exception>
#include <string_view>

#include "harness/portable/core/session.hpp"

namespace zevra_harness::detail {
namespace {

// Where it was thrown is unknown: the failure trace holds no place, not even
// those of a failure the test raised and dropped before.
[[maybe_unused]] Status thrown(std::string_view what) {
  print("uncaught exception: {}\n", what);
  session().failure_trace.clear();
  return std::unexpected(TestUnexpectedException);
}

}  // namespace

Status callTest(const TestFn& test) {
#if defined(__cpp_exceptions)
  try {
    return test.func();
  } catch (const std::exception& e) {
    return thrown(e.what());
  } catch (...) {
    return thrown("unknown exception");
  }
#else
  return test.func();
#endif
}

}  // namespace zevra_harness::detail

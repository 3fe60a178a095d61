#pragma once
// The fatal stop: "thread {} panic: {message}\n", a stack trace, abort.

#include <string_view>

namespace zevra_harness::detail {

[[noreturn]] void fatal(std::string_view message);

}  // namespace zevra_harness::detail

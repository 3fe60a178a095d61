#pragma once
// The start-up check of a registry: no two tests share a name (a registry
// the compiler could see was checked when it was built; this catches the
// others).

#include <optional>
#include <string_view>

#include "zevra_harness/registry.hpp"

namespace zevra_harness::detail {

// A name that two tests of `registry` share, if there is one. Hashes the
// names into a table on the stack (or, past 128 tests, in pages of the
// page cache); nullopt also when no table could be had.
std::optional<std::string_view> duplicateName(Registry registry);

}  // namespace zevra_harness::detail

#pragma once
// Which full names a --filter or --exclude pattern selects.

#include <string_view>

namespace zevra_test {

// With `*` (any run of characters) or `?` (one UTF-8 character) the pattern
// must match the whole name; without them it matches anywhere in the name.
bool matchesPattern(std::string_view pattern, std::string_view name);

}  // namespace zevra_test

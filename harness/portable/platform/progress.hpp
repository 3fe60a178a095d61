#pragma once
// The progress display of terminal mode: started with a root label and the
// expected item count, one item per test, ended before the summary. On
// Linux (harness/posix/progress/) drawn on a terminal or sent to a parent;
// where no thread can draw it (WASI) it shows nothing.

#include <cstddef>
#include <string_view>

namespace zevra_harness::detail::progress {

void start(std::string_view root_label, std::size_t expected_items);
void itemBegin(std::string_view label);
void itemEnd();
void end();

}  // namespace zevra_harness::detail::progress

#pragma once
// The checking allocator's reports as the bytes they are, traces included.

#include "zevra_harness/status.hpp"

namespace reports_test {

zevra_harness::Status reportLayout();

}  // namespace reports_test

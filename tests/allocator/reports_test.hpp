#pragma once
// The checking allocator's reports as the bytes they are, traces included.

#include "harness/status.hpp"

namespace reports_test {

zevra_harness::Status reportLayout();

}  // namespace reports_test

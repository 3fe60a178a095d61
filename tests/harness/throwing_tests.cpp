// Tests that throw, built with exceptions as an application's tests may be
// (the rest of the project is built without): each fails alone.
#include "tests/harness/throwing_tests.hpp"

#include <stdexcept>
#include <vector>

namespace outcomes {

using zevra_harness::Status;

Status throwsFromTheLibrary() {
  const std::vector<int> none;
  return zevra_harness::expectEqual(none.at(3), 0);
}

Status throwsAnError() { throw std::runtime_error("no such camera: \"left\""); }

Status throwsAnInt() { throw 42; }

}  // namespace outcomes

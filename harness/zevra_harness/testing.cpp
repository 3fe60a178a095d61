#include "zevra_harness/print.hpp"
#include "zevra_harness/testing.hpp"

namespace zevra_harness {

void reportApproxMismatch(double expected, double actual, double tolerance) {
  print("actual {}, not within absolute tolerance {} of expected {}\n", actual, tolerance, expected);
}

void reportApproxMismatch(float expected, float actual, float tolerance) {
  print("actual {}, not within absolute tolerance {} of expected {}\n", actual, tolerance, expected);
}

}  // namespace zevra_harness

// GoogleTest running the very same test functions as zevra-selftest, in the
// same order: the peer of the self-test runner in the process benchmark.
#include <gtest/gtest.h>

#include <string>

#include "harness/portable/allocator/allocator_instance.hpp"
#include "harness/portable/core/session.hpp"
#include "selftest/registry.hpp"

namespace {

class RegistryTest : public testing::Test {
 public:
  explicit RegistryTest(zevra_harness::Status (*func)()) : func_(func) {}

  void TestBody() override {
    // The tests read the checking allocator of the current test.
    zevra_harness::detail::allocatorInstance().reset();
    const zevra_harness::Status s = func_();
    if (!s && s.error() == zevra_harness::Skip) GTEST_SKIP();
    EXPECT_TRUE(s.has_value()) << (s ? std::string_view{} : s.error().name);
  }

 private:
  zevra_harness::Status (*func_)();
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (const zevra_harness::TestFn& t : zevra_selftest::test_functions) {
    // "module.test.Own name": the module is the suite, the rest the test.
    const std::string full{t.name};
    const std::size_t dot = full.find(".test.");
    const std::string suite = full.substr(0, dot);
    const std::string name = dot == std::string::npos ? full : full.substr(dot + 6);
    testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [func = t.func]() -> testing::Test* { return new RegistryTest(func); });
  }
  return RUN_ALL_TESTS();
}

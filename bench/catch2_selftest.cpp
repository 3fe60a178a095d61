// Catch2 running the very same test functions as zevra-selftest, in the same
// order: a peer under CTest (catch_discover_tests).
#define CATCH_CONFIG_RUNNER
#include <array>
#include <catch2/catch.hpp>
#include <cstddef>
#include <utility>

#include "harness/portable/allocator/allocator_instance.hpp"
#include "selftest/registry.hpp"

namespace {

template <std::size_t I>
void runRegistered() {
  zevra_harness::detail::allocatorInstance().reset();
  const zevra_harness::Status s = zevra_selftest::test_functions[I].func();
  if (!s && s.error() == zevra_harness::Skip) return;
  REQUIRE(s.has_value());
}

template <std::size_t... I>
constexpr auto functions(std::index_sequence<I...>) {
  return std::array<void (*)(), sizeof...(I)>{&runRegistered<I>...};
}

}  // namespace

int main(int argc, char** argv) {
  constexpr auto kFunctions =
      functions(std::make_index_sequence<zevra_selftest::test_functions.size()>());
  for (std::size_t i = 0; i < kFunctions.size(); ++i)
    Catch::AutoReg(
        Catch::makeTestInvoker(kFunctions[i]), CATCH_INTERNAL_LINEINFO, Catch::StringRef(),
        Catch::NameAndTags{Catch::StringRef(zevra_selftest::test_functions[i].name.data(),
                                            zevra_selftest::test_functions[i].name.size())});
  return Catch::Session().run(argc, argv);
}

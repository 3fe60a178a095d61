#pragma once
// The client's side of the build-runner protocol: the requests it sends, and
// the checks of what comes back (the format itself is
// harness/base/wire.hpp). Every check names what is wrong in words a user
// of zevra-test can act on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "harness/base/wire.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

using zevra_harness::Header;

struct Message {
  std::uint32_t tag = 0;
  std::vector<std::byte> body;
};

std::array<std::byte, zevra_harness::kHeaderBytes> exitRequest();
std::array<std::byte, zevra_harness::kHeaderBytes> testMetadataRequest();
std::array<std::byte, zevra_harness::kHeaderBytes + zevra_harness::kRunTestBodyBytes>
runTestRequest(std::uint32_t index);

// What the client is waiting for. A header is checked as soon as its 8 bytes
// are in, so that a wrong one is refused without waiting for its body.
enum class Awaited { version, test_metadata, test_results };
std::expected<void, std::string> checkHeader(Awaited awaited, Header header);

// The full names of test_metadata's body, in registry order: views into
// `body`, which must outlive them (one allocation for any number of names).
std::expected<std::vector<std::string_view>, std::string> decodeTestMetadata(
    std::span<const std::byte> body);

struct TestResults {
  std::uint32_t index = 0;
  std::uint32_t flags = 0;
};
// The body's size was checked with its header.
TestResults decodeTestResults(std::span<const std::byte> body);

}  // namespace zevra_test

#pragma once
// The wire format of the build-runner protocol, for either end of it (it
// needs nothing but the standard library). Every message in either direction
// is an 8-byte header, then `bytes_len` body bytes; every integer is an
// unsigned little-endian u32; there is no padding.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace zevra_harness {

struct Header {
  std::uint32_t tag;
  std::uint32_t bytes_len;  // body length, header not counted
};
inline constexpr std::size_t kHeaderBytes = 8;

// Tags the build runner sends.
enum class ClientTag : std::uint32_t {
  exit = 0,
  update = 1,
  run = 2,
  hot_update = 3,
  query_test_metadata = 4,  // no body
  run_test = 5,             // body: the test's index (u32)
  start_fuzzing = 6,
};
inline constexpr std::uint32_t kRunTestBodyBytes = 4;

// Tags the executable sends (its other tags belong to other users of the
// protocol).
enum class ServerTag : std::uint32_t {
  orvel_version = 0,  // body: the version text, no terminator
  test_metadata = 3,  // body: the fixed part, then names, expected_panic_msgs, string_bytes
  test_results = 4,   // body: index, flags
};
// test_metadata's fixed part: string_bytes_len, tests_len.
inline constexpr std::size_t kTestMetadataFixedBytes = 8;
inline constexpr std::uint32_t kTestResultsBodyBytes = 8;

// Set to a non-empty value in a server's environment, it asks for each
// failing test's error name on standard error, the line "FAIL (Name)"
// before its trace: the result word says only that the test failed.
inline constexpr const char* kErrorNamesVariable = "ZEVRA_ERROR_NAMES";

// The wire is little-endian whatever the host's byte order.
constexpr std::uint32_t toLittleEndian(std::uint32_t v) {
  return std::endian::native == std::endian::little ? v : std::byteswap(v);
}
constexpr std::uint32_t loadLittleEndian(const std::byte* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint32_t>(p[i]);
  return v;
}
constexpr void storeLittleEndian(std::byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::byte>(v >> (8 * i));
}

// The result word of one test run: bit 0 fail, bit 1 skip, bit 2 leak, bit 3
// fuzz, then the count of error-level messages in bits 4-31, saturated at
// 28 bits.
inline constexpr std::uint32_t kMaxLoggedErrors = 0x0FFFFFFF;
struct ResultFlags {
  bool fail = false;
  bool skip = false;
  bool leak = false;
  bool fuzz = false;
  std::size_t log_err_count = 0;
};
constexpr std::uint32_t encodeResultFlags(const ResultFlags& f) {
  std::uint32_t count = f.log_err_count < kMaxLoggedErrors
                            ? static_cast<std::uint32_t>(f.log_err_count)
                            : kMaxLoggedErrors;
  return (f.fail ? 1u : 0u) | (f.skip ? 2u : 0u) | (f.leak ? 4u : 0u) | (f.fuzz ? 8u : 0u) |
         (count << 4);
}

}  // namespace zevra_harness

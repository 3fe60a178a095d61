#include "messages.hpp"

#include <cstring>

namespace zevra_test {
namespace {

using zevra_harness::ClientTag;
using zevra_harness::kHeaderBytes;
using zevra_harness::loadLittleEndian;
using zevra_harness::ServerTag;
using zevra_harness::storeLittleEndian;

// A version string is a short text; a test list of a million long names still
// fits. Anything larger is not the protocol.
constexpr std::uint32_t kMaxVersionBytes = 4096;
constexpr std::uint32_t kMaxTestMetadataBytes = 256u << 20;

constexpr std::uint32_t tagOf(ServerTag t) { return static_cast<std::uint32_t>(t); }

template <std::size_t N>
std::array<std::byte, N> request(ClientTag tag, std::uint32_t bytes_len) {
  std::array<std::byte, N> bytes{};
  storeLittleEndian(bytes.data(), static_cast<std::uint32_t>(tag));
  storeLittleEndian(bytes.data() + 4, bytes_len);
  return bytes;
}

// "48 65 6c 6c ..." for the bytes of a header that is not what it should be.
std::string hexBytes(Header h) {
  std::array<std::byte, kHeaderBytes> raw{};
  storeLittleEndian(raw.data(), h.tag);
  storeLittleEndian(raw.data() + 4, h.bytes_len);
  constexpr std::string_view digits = "0123456789abcdef";
  std::string text;
  for (std::byte b : raw) {
    if (!text.empty()) text += ' ';
    text += digits[std::to_integer<unsigned>(b) >> 4];
    text += digits[std::to_integer<unsigned>(b) & 0xF];
  }
  return text;
}

std::unexpected<std::string> malformed(std::string why) {
  return std::unexpected("malformed test list: " + why);
}

}  // namespace

std::array<std::byte, kHeaderBytes> exitRequest() {
  return request<kHeaderBytes>(ClientTag::exit, 0);
}

std::array<std::byte, kHeaderBytes> testMetadataRequest() {
  return request<kHeaderBytes>(ClientTag::query_test_metadata, 0);
}

std::array<std::byte, kHeaderBytes + zevra_harness::kRunTestBodyBytes> runTestRequest(
    std::uint32_t index) {
  auto bytes = request<kHeaderBytes + zevra_harness::kRunTestBodyBytes>(
      ClientTag::run_test, zevra_harness::kRunTestBodyBytes);
  storeLittleEndian(bytes.data() + kHeaderBytes, index);
  return bytes;
}

std::expected<void, std::string> checkHeader(Awaited awaited, Header h) {
  switch (awaited) {
    case Awaited::version:
      if (h.tag != tagOf(ServerTag::orvel_version) || h.bytes_len > kMaxVersionBytes)
        return std::unexpected("not a test runner: its standard output starts with " + hexBytes(h) +
                               ", not a version message");
      return {};
    case Awaited::test_metadata:
      if (h.tag != tagOf(ServerTag::test_metadata))
        return std::unexpected("answered the request for its test list with message tag " +
                               std::to_string(h.tag));
      if (h.bytes_len < zevra_harness::kTestMetadataFixedBytes ||
          h.bytes_len > kMaxTestMetadataBytes)
        return malformed("a body of " + std::to_string(h.bytes_len) + " bytes");
      return {};
    case Awaited::test_results:
      if (h.tag != tagOf(ServerTag::test_results) ||
          h.bytes_len != zevra_harness::kTestResultsBodyBytes)
        return std::unexpected("answered run_test with message tag " + std::to_string(h.tag) +
                               " and a body of " + std::to_string(h.bytes_len) + " bytes");
      return {};
  }
  return {};
}

std::expected<std::vector<std::string_view>, std::string> decodeTestMetadata(
    std::span<const std::byte> body) {
  const std::uint64_t table_len = loadLittleEndian(body.data());
  const std::uint64_t n = loadLittleEndian(body.data() + 4);
  const std::uint64_t needed = zevra_harness::kTestMetadataFixedBytes + 8 * n + table_len;
  if (needed != body.size())
    return malformed(std::to_string(n) + " tests and a string table of " +
                     std::to_string(table_len) + " bytes need " + std::to_string(needed) +
                     " bytes, the message holds " + std::to_string(body.size()));
  const std::span<const std::byte> table = body.last(table_len);
  if (table.empty() || table[0] != std::byte{0})
    return malformed("the string table does not start with a 0 byte");

  const char* const text = reinterpret_cast<const char*>(table.data());
  std::vector<std::string_view> names;
  names.reserve(n);
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint32_t at = loadLittleEndian(body.data() + 8 + 4 * i);
    if (at == 0 || at >= table.size())
      return malformed("the name of test " + std::to_string(i) + " starts at offset " +
                       std::to_string(at) + ", outside the string table");
    const char* const start = text + at;
    const auto* end = static_cast<const char*>(std::memchr(start, 0, table.size() - at));
    if (end == nullptr)
      return malformed("the name of test " + std::to_string(i) + " has no terminating 0 byte");
    names.emplace_back(start, static_cast<std::size_t>(end - start));
  }
  return names;
}

TestResults decodeTestResults(std::span<const std::byte> body) {
  return {loadLittleEndian(body.data()), loadLittleEndian(body.data() + 4)};
}

}  // namespace zevra_test

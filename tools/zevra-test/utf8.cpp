#include "utf8.hpp"

#include <array>

namespace zevra_test {

std::size_t decodeUtf8(std::string_view s, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  std::size_t len = b0 >= 0xF8 ? 0 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
  if (len == 0 || len > s.size()) return 0;
  c = b0 & (0x7Fu >> len);
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3Fu);
  }
  constexpr std::array<char32_t, 5> kLeast{0, 0, 0x80, 0x800, 0x10000};  // no overlong forms
  if (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace zevra_test

#pragma once
// One step of UTF-8 decoding, the harness's and its client's one decoder:
// the progress drawing counts columns per code point, the progress channel
// and the client's JUnit report pass well-formed text through, and the
// client's patterns match whole characters; all of them need to know where
// a well-formed sequence ends.

#include <cstddef>
#include <string_view>

namespace zevra_harness {

struct Utf8Step {
  char32_t code;       // the code point; meaningless when !valid
  std::size_t length;  // bytes consumed: the sequence, or 1 for a bad byte
  bool valid;
};

// Decodes the sequence that starts at `at` (< s.size()). Overlong forms,
// surrogates, values above U+10FFFF and cut-off sequences are invalid.
constexpr Utf8Step decodeUtf8(std::string_view s, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  constexpr Utf8Step bad{0, 1, false};
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t length = 0;
  char32_t code = 0;
  unsigned char low = 0x80, high = 0xbf;  // range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, code = lead & 0x1fu;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, code = lead & 0x0fu;
    if (lead == 0xe0) low = 0xa0;   // overlong
    if (lead == 0xed) high = 0x9f;  // surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, code = lead & 0x07u;
    if (lead == 0xf0) low = 0x90;   // overlong
    if (lead == 0xf4) high = 0x8f;  // above U+10FFFF
  } else {
    return bad;
  }
  if (s.size() - at < length) return bad;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char b = byte(at + i);
    if (b < low || b > high) return bad;
    low = 0x80, high = 0xbf;
    code = (code << 6) | (b & 0x3fu);
  }
  return {code, length, true};
}

}  // namespace zevra_harness

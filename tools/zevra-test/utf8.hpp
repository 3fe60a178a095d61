#pragma once
// UTF-8 as the client reads names and text: one well-formed sequence at a time.

#include <cstddef>
#include <string_view>

namespace zevra_test {

// The length of the well-formed UTF-8 sequence at the front of `s` (not
// empty) and its code point; 0 if there is none (a stray byte, an overlong
// form, a surrogate, a value past U+10FFFF, a truncated sequence).
std::size_t decodeUtf8(std::string_view s, char32_t& c);

}  // namespace zevra_test

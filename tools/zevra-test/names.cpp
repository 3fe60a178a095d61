#include "names.hpp"

#include <algorithm>

#include "harness/base/utf8.hpp"

namespace zevra_test {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

void appendHexByte(std::string& out, unsigned char b) {
  out += "\\x";
  out += kHexDigits[b >> 4];
  out += kHexDigits[b & 0xF];
}

int hexValue(char c) {
  const auto at = kHexDigits.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace

std::string escapeName(std::string_view name) {
  // Most names are printable ASCII: kept as they are.
  if (std::all_of(name.begin(), name.end(),
                  [](char c) { return c >= 0x20 && c < 0x7F && c != '\\'; }))
    return std::string(name);
  std::string out;
  out.reserve(name.size());
  while (!name.empty()) {
    const zevra_harness::Utf8Step step = zevra_harness::decodeUtf8(name, 0);
    const std::size_t len = step.length;
    const char32_t c = step.code;
    if (!step.valid || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      for (std::size_t i = 0; i < len; ++i) appendHexByte(out, static_cast<unsigned char>(name[i]));
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out.append(name.substr(0, len));
    }
    name.remove_prefix(len);
  }
  return out;
}

std::optional<std::string> unescapeName(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' && hexValue(text[i + 2]) >= 0 &&
               hexValue(text[i + 3]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string nameDigest(std::string_view name) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) text[static_cast<std::size_t>(i)] = kHexDigits[h & 0xF];
  return text;
}

}  // namespace zevra_test

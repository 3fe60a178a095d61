#include "names.hpp"

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
  // One pass: the bytes kept as they are go out in runs, one append each.
  std::string out;
  out.reserve(name.size());
  std::size_t run = 0;  // where the bytes not yet copied start
  for (std::size_t i = 0; i < name.size();) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      ++i;
      continue;
    }
    const zevra_harness::Utf8Step step =
        b < 0x80 ? zevra_harness::Utf8Step{b, 1, true} : zevra_harness::decodeUtf8(name, i);
    const char32_t c = step.code;
    const bool hex = !step.valid || c < 0x20 || (c >= 0x7F && c < 0xA0);
    if (hex || c == '\\') {
      out.append(name.substr(run, i - run));
      if (hex) {
        for (std::size_t k = 0; k < step.length; ++k)
          appendHexByte(out, static_cast<unsigned char>(name[i + k]));
      } else {
        out += "\\\\";
      }
      run = i + step.length;
    }
    i += step.length;
  }
  out.append(name.substr(run));
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

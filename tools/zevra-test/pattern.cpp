#include "pattern.hpp"

#include <cstddef>

#include "harness/base/utf8.hpp"

namespace zevra_test {
namespace {

// The length of the character at `at` (1 for a byte that starts none, so
// that malformed names still match byte by byte).
std::size_t characterLength(std::string_view name, std::size_t at) {
  return zevra_harness::decodeUtf8(name, at).length;
}

// Glob matching with one backtracking point: the last `*` seen, and where in
// the name it was last tried to end (always on a character boundary).
bool globMatches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += characterLength(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      star_name += characterLength(name, star_name);
      n = star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size() && n == name.size();
}

}  // namespace

bool matchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern.find_first_of("*?") == std::string_view::npos)
    return name.find(pattern) != std::string_view::npos;
  return globMatches(pattern, name);
}

}  // namespace zevra_test

#pragma once
// Included first in every unit of the fuzz build. Debian's clang 14 over
// libstdc++ 12 lacks two C++23 pieces the harness uses:
// - <expected> is guarded by `__cpp_concepts >= 202002L` (clang 14 says
//   201907L); the build defines the macro on the command line instead. Clang
//   14 then takes the first of libstdc++'s constrained special members, which
//   is right for trivially copyable payloads (all the harness keeps in one)
//   and fails to compile for any other, so no wrong code can slip through.
// - <source_location> needs __builtin_source_location (clang 15); the
//   stand-in below gives the same four accessors from the older builtins.
#include <cstdint>
#include <source_location>

#if !defined(__cpp_lib_source_location)
namespace std {
struct source_location {
  static constexpr source_location current(const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION(),
                                           std::uint_least32_t line = __builtin_LINE(),
                                           std::uint_least32_t column = __builtin_COLUMN()) {
    source_location loc;
    loc.file_ = file;
    loc.function_ = function;
    loc.line_ = line;
    loc.column_ = column;
    return loc;
  }
  constexpr std::uint_least32_t line() const noexcept { return line_; }
  constexpr std::uint_least32_t column() const noexcept { return column_; }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  std::uint_least32_t line_ = 0;
  std::uint_least32_t column_ = 0;
};
}  // namespace std
#endif

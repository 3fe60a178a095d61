#pragma once
// The digits of an integer, in decimal or lower-case hexadecimal, without
// prefix or leading zeros: the harness's one conversion of integers to text.

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string_view>

namespace zevra_harness::detail {

class NumberText {
 public:
  template <std::integral T>
  explicit NumberText(T value, int base = 10) {
    // 65 characters hold any 64-bit value in base 2, sign included.
    len_ = static_cast<std::size_t>(
        std::to_chars(digits_, digits_ + sizeof digits_, value, base).ptr - digits_);
  }
  std::string_view view() const { return {digits_, len_}; }

 private:
  char digits_[65];
  std::size_t len_;
};

}  // namespace zevra_harness::detail

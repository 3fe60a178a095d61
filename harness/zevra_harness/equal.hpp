#pragma once
// expectEqual: exact equality of two values, which on failure prints both.
// Integers compare by value whatever their types (-1 is no 2^32 - 1),
// enumerations, characters, booleans and pointers with ==, floats with
// IEEE == (0 equals -0, a NaN equals nothing) and only with floats of their
// own type, texts (std::string_view, std::string, C strings) by their bytes,
// and any other type with == when it has a printing hook ("print.hpp").

#include <concepts>
#include <cstdint>
#include <source_location>
#include <string_view>
#include <type_traits>
#include <utility>

#include "zevra_harness/print.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness {
namespace detail {

template <typename T>
concept Text = std::is_convertible_v<const T&, std::string_view>;

template <typename T>
concept Character = std::is_same_v<T, char> || std::is_same_v<T, wchar_t> ||
    std::is_same_v<T, char8_t> || std::is_same_v<T, char16_t> || std::is_same_v<T, char32_t>;

// What std::cmp_equal takes: integers other than bool and the characters.
template <typename T>
concept Integer = std::integral<T> && !std::is_same_v<T, bool> && !Character<T>;

template <typename T>
constexpr std::string_view textOf(const T& v) {
  if constexpr (std::is_convertible_v<const T&, const char*>) {
    const char* p = v;
    return p != nullptr ? std::string_view(p) : std::string_view();
  } else {
    return std::string_view(v);
  }
}

template <typename A, typename E>
concept EqualityOperands = (Text<A> && Text<E>) || (Integer<A> && Integer<E>) ||
                           requires(const A& a, const E& e) {
  { a == e } -> std::convertible_to<bool>;
};

template <typename A, typename E>
constexpr bool equalOperands(const A& a, const E& e) {
  if constexpr (Text<A> && Text<E>)
    return textOf(a) == textOf(e);
  else if constexpr (Integer<A> && Integer<E>)
    return std::cmp_equal(a, e);
  else
    return static_cast<bool>(a == e);
}

// A text in quotes, with a backslash, the quote and bytes that are no
// printable UTF-8 escaped ("\\", "\"", "\x0a").
struct QuotedText {
  std::string_view text;
  char quote;
};
void printValue(TextSink& out, const QuotedText& q);

// An operand as the failure message shows it: through its printing hook if
// it has one; texts and characters quoted; true and false; enumerations as
// their number; pointers as 0x and their address; numbers as print does.
template <typename T>
struct Operand {
  const T& value;
};

template <typename T>
void printValue(TextSink& out, const Operand<T>& o) {
  const T& v = o.value;
  if constexpr (Printable<T>) {
    out.print("{}", v);
  } else if constexpr (std::is_same_v<T, bool>) {
    out.text(v ? "true" : "false");
  } else if constexpr (std::is_same_v<T, char>) {
    printValue(out, QuotedText{std::string_view(&v, 1), '\''});
  } else if constexpr (Text<T>) {
    printValue(out, QuotedText{textOf(v), '"'});
  } else if constexpr (std::is_enum_v<T>) {
    out.print("{}", std::to_underlying(v));
  } else if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>) {
    out.print("0x{}", Hex{reinterpret_cast<std::uintptr_t>(static_cast<const void*>(v))});
  } else {
    static_assert(std::is_arithmetic_v<T>,
                  "expectEqual prints this type through a printValue hook");
    out.print("{}", v);
  }
}

// "actual {}, expected {}\n".
void reportNotEqual(const FormatArg& actual, const FormatArg& expected);

}  // namespace detail

// Success if `actual` (what the code computed) equals `expected`; otherwise
// prints "actual {}, expected {}" with both and fails with TestExpectedEqual.
template <typename A, typename E>
requires detail::EqualityOperands<A, E>
[[nodiscard]] Status expectEqual(const A& actual, const E& expected,
                                 std::source_location loc = std::source_location::current()) {
  static_assert(
      !(std::is_floating_point_v<A> && std::is_floating_point_v<E> && !std::is_same_v<A, E>),
      "expectEqual compares floats of one type: write the literal as 0.5f or 0.5");
  if (detail::equalOperands(actual, expected)) [[likely]]
    return {};
  detail::reportNotEqual(detail::Operand<A>{actual}, detail::Operand<E>{expected});
  return fail(TestExpectedEqual, loc);
}

}  // namespace zevra_harness

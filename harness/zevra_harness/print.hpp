#pragma once
// Formatted text on standard error, under the process-wide standard-error
// lock. A format holds one "{}" per argument, checked when the program is
// built; each argument is written in its default form: integers in decimal,
// `Hex` in lower-case hexadecimal without prefix, floats in the shortest
// scientific form that reads back the same (1.235e2, 5e-1; f32 with f32
// digits), texts byte for byte.
//
// A type of the program's own prints itself through a function
//   void printValue(zevra_harness::TextSink& out, const T& value);
// declared where argument-dependent lookup finds it (in T's namespace): T is
// then an argument like any other, and expectEqual prints it.

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

namespace zevra_harness {

struct Hex {
  std::uint64_t value;
};

namespace detail {
class OutputBuffer;  // the harness's own text buffer
}

class TextSink;

// A type with a printing hook (see above).
template <typename T>
concept Printable = requires(TextSink& out, const T& v) {
  printValue(out, v);
};

// One argument of a format, as a plain value that refers to the argument
// where it cannot copy it; it lives as long as the call it is made for.
struct FormatArg {
  enum class Kind : std::uint8_t {
    unsigned_int,
    signed_int,
    hex,
    character,
    f64,
    f32,
    text,
    other
  };

  FormatArg(std::unsigned_integral auto v)  // NOLINT: implicit on purpose, as are the others
      : kind(Kind::unsigned_int), integer(v) {}
  FormatArg(std::signed_integral auto v)
      : kind(Kind::signed_int), integer(static_cast<std::uint64_t>(static_cast<std::int64_t>(v))) {}
  FormatArg(bool) = delete;
  FormatArg(char c) : kind(Kind::character), integer(static_cast<unsigned char>(c)) {}
  FormatArg(Hex h) : kind(Kind::hex), integer(h.value) {}
  FormatArg(double v) : kind(Kind::f64), f64(v) {}
  FormatArg(float v) : kind(Kind::f32), f32(v) {}
  FormatArg(std::string_view s) : kind(Kind::text), text(s) {}
  FormatArg(const char* s) : kind(Kind::text), text(s) {}
  template <Printable T>
  FormatArg(const T& v)
      : kind(Kind::other),
        object(&v),
        write([](TextSink& out, const void* p) { printValue(out, *static_cast<const T*>(p)); }) {}

  Kind kind;
  std::uint64_t integer = 0;  // a signed value in two's complement
  double f64 = 0;
  float f32 = 0;
  std::string_view text;
  const void* object = nullptr;
  void (*write)(TextSink&, const void*) = nullptr;
};

namespace detail {
void formatPlaceholdersDoNotMatchArguments();  // never defined: a build-time error
}

// A format string whose "{}" count is checked against the arguments when the
// program is built.
template <typename... Args>
struct Format {
  std::string_view text;
  consteval Format(const char* s) : text(s) {  // NOLINT: implicit on purpose
    std::size_t holes = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == '{' && text[i + 1] == '}') ++holes, ++i;
    if (holes != sizeof...(Args)) detail::formatPlaceholdersDoNotMatchArguments();
  }
};

// Where a printing hook writes: into the message being printed, in the same
// forms as print's.
class TextSink {
 public:
  explicit TextSink(detail::OutputBuffer& out) : out_(out) {}
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;

  // Text as it is.
  void text(std::string_view s);
  // `fmt` with its holes filled by `args`.
  template <typename... Args>
  void print(Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    printArgs(fmt.text, list);
  }

  // The buffer behind it, for the harness's own writers.
  detail::OutputBuffer& buffer() const { return out_; }

 private:
  void printArgs(std::string_view fmt, std::span<const FormatArg> args);
  detail::OutputBuffer& out_;
};

namespace detail {
// Prints `fmt` with its holes filled by `args`, as one write where it fits.
void printArgs(std::string_view fmt, std::span<const FormatArg> args);
}  // namespace detail

template <typename... Args>
void print(Format<std::type_identity_t<Args>...> fmt, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  detail::printArgs(fmt.text, list);
}

}  // namespace zevra_harness

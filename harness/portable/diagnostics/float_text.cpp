#include "harness/portable/diagnostics/float_text.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zevra_harness::detail {
namespace {

// std::to_chars gives the shortest round-trip digits ("1.235e+02"); rewrite
// its exponent as a bare signed decimal ("e2", "e-1").
template <typename F>
std::size_t render(F v, char* out) {
  if (std::isnan(v)) {
    const char* text = std::signbit(v) ? "-nan" : "nan";
    std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return n;
  }
  char tmp[kFloatTextMax];
  auto [end, ec] = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::scientific);
  (void)ec;  // the buffer always suffices
  std::size_t len = static_cast<std::size_t>(end - tmp);
  const char* e = static_cast<const char*>(std::memchr(tmp, 'e', len));
  if (e == nullptr) {  // inf, -inf
    std::memcpy(out, tmp, len);
    return len;
  }
  std::size_t mantissa = static_cast<std::size_t>(e - tmp);
  std::memcpy(out, tmp, mantissa);
  std::size_t n = mantissa;
  out[n++] = 'e';
  const char* p = e + 1;
  if (*p == '-') out[n++] = '-';
  if (*p == '+' || *p == '-') ++p;
  while (p + 1 < end && *p == '0') ++p;  // drop leading zeros, keep a lone 0
  while (p < end) out[n++] = *p++;
  return n;
}

}  // namespace

std::size_t floatText(double v, char* out) { return render(v, out); }
std::size_t floatText(float v, char* out) { return render(v, out); }

}  // namespace zevra_harness::detail

#include "zevra_kernel/selftests/printers.hpp"

#include <cstddef>
#include <cstdint>

namespace zevra_kernel {

void printValue(zevra_harness::TextSink& out, const HomVec4& v) {
  out.print("HomVec4({}, {}, {}, {})", v.x, v.y, v.z, v.w);
}

void printValue(zevra_harness::TextSink& out, AffineCard card) {
  switch (card) {
    case AffineCard::UW:
      return out.text("UW");
    case AffineCard::UX:
      return out.text("UX");
    case AffineCard::UY:
      return out.text("UY");
    case AffineCard::UZ:
      return out.text("UZ");
  }
  out.print("AffineCard({})", static_cast<std::uint8_t>(card));
}

void printValue(zevra_harness::TextSink& out, const PGL4& m) {
  out.text("PGL4(columns");
  for (std::size_t c = 0; c < 4; ++c)
    out.print(" ({}, {}, {}, {})", m.data[c * 4], m.data[c * 4 + 1], m.data[c * 4 + 2],
              m.data[c * 4 + 3]);
  out.text(")");
}

}  // namespace zevra_kernel

#include "harness/posix/demangle.hpp"

#include <cxxabi.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "harness/portable/diagnostics/output_buffer.hpp"

// The C++ runtime's demangler that hands out its text in pieces, keeping its
// work on the stack. Only the static runtime has it (it sits beside
// __cxa_demangle, which this file uses, so the linker brings it along); with
// the shared one the reference stays null.
extern "C" [[gnu::weak]] int __gcclibcxx_demangle_callback(  // NOLINT: the runtime's name
    const char* mangled, void (*callback)(const char*, std::size_t, void*), void* opaque);

namespace zevra_harness::detail {
namespace {

// The callback demangler's stack use grows with the name's length (about 70
// bytes per character); a signal handler's stack takes names up to this.
constexpr std::size_t kLongestInSignalHandler = 1024;

struct Collected {
  char text[4096];
  std::size_t len = 0;
  bool cut = false;
};

void collect(const char* piece, std::size_t n, void* opaque) {
  auto& c = *static_cast<Collected*>(opaque);
  if (n > sizeof c.text - c.len) {
    c.cut = true;
    return;
  }
  std::memcpy(c.text + c.len, piece, n);
  c.len += n;
}

}  // namespace

void appendDemangled(OutputBuffer& out, const char* name, bool in_signal_handler) {
  const std::string_view mangled(name);
  if (mangled.starts_with("_Z")) {
    if (__gcclibcxx_demangle_callback != nullptr &&
        (!in_signal_handler || mangled.size() <= kLongestInSignalHandler)) {
      Collected c;
      if (__gcclibcxx_demangle_callback(name, &collect, &c) == 0 && !c.cut) {
        out.append(std::string_view(c.text, c.len));
        return;
      }
    }
    if (!in_signal_handler) {
      int status = 0;
      if (char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status)) {
        out.append(demangled);
        std::free(demangled);
        return;
      }
    }
  }
  out.append(mangled);
}

}  // namespace zevra_harness::detail

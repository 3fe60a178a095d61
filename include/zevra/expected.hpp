#pragma once
// std::expected for every compiler the package supports: include this
// instead of <expected>, before anything else includes <expected>.
// libstdc++ 12 declares std::expected only when __cpp_concepts is at least
// 202002L, which Clang 16 implements but reports as 201907L; the header is
// read with the macro raised and the macro is then restored. libc++ and GCC
// need nothing.

#include <version>

#if defined(__clang__) && defined(__GLIBCXX__) && __cpp_concepts < 202002L
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wbuiltin-macro-redefined"
#pragma push_macro("__cpp_concepts")
#undef __cpp_concepts
#define __cpp_concepts 202002L
#include <expected>
#pragma pop_macro("__cpp_concepts")
#pragma clang diagnostic pop
#else
#include <expected>
#endif

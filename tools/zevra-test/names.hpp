#pragma once
// Test names as the client prints and takes them. A name may hold any bytes;
// printed, it is escaped so that it stays on one line and cannot move the
// cursor: a backslash is written `\\`, and control characters (C0, DEL,
// C1) and bytes outside well-formed UTF-8 `\xHH` (lower-case hex); all else
// is kept. Unescaping gives back the name's bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zevra_test {

std::string escapeName(std::string_view name);
// Nothing for a text with a backslash that starts no escape.
std::optional<std::string> unescapeName(std::string_view text);

// The 64-bit FNV-1a hash of the name's bytes, as 16 lower-case hex digits:
// what `--list-indexed` prints and `--index I:DIGEST` checks, so that a
// discovered index never runs a test of another name.
std::string nameDigest(std::string_view name);

}  // namespace zevra_test

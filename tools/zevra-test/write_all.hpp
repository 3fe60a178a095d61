#pragma once
// Whole buffers to a descriptor, past partial writes and interruptions.

#include <string_view>

namespace zevra_test {

// False when a write fails (the reader is gone, the disk is full).
bool writeAll(int fd, std::string_view bytes);

}  // namespace zevra_test

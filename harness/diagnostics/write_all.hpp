#pragma once
// Writes every byte to a descriptor, retrying interrupted and partial writes.

#include <cstddef>

namespace zevra_harness {

// False when a write fails or writes nothing (the rest is not written).
bool writeAll(int fd, const void* data, std::size_t len);

}  // namespace zevra_harness

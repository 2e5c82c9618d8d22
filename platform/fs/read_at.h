// Reading exactly n bytes at an offset of an open file (a descriptor, or a
// Windows file handle), for the readers of this module: false when they are
// not all there. file_read_posix.cpp, file_read_win.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk::fs {

bool ReadAtOffset(intptr_t handle, uint64_t off, size_t n, void *out);

} // namespace vk::fs

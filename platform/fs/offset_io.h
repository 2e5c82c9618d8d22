// Reading and writing exactly n bytes at an offset of an open file (a
// descriptor, or a Windows file handle), for the readers and the scratch
// file of this module: false when not all of them could be moved (a write
// sets the last error). file_read_posix.cpp, file_read_win.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk::fs {

bool ReadAtOffset(intptr_t handle, uint64_t off, size_t n, void *out);
bool WriteAtOffset(intptr_t handle, uint64_t off, size_t n, const void *data);

} // namespace vk::fs

// What the ini cache asks of the file system, one file per operating system
// (ini_disk_posix.cpp, ini_disk_win.cpp). Paths are the cache's keys:
// absolute, UTF-8, '/'-separated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini/ini_cache.h"

namespace vk::ini::detail {

struct DiskState {
    FileStamp stamp;
    bool regular = false; // a plain file (not a folder or device)
    unsigned mode = 0;    // permission bits; on Windows 0444 for a read-only file, else 0666
};

// False when the file is not there; `lookable` turns false when the path
// cannot even be looked at (a folder without search permission).
bool LookAt(const std::string &path, DiskState &state, bool &lookable);
// Reads without going through vk::fs, whose fault points are for writes: a
// test that fails the Nth open must hit the flush, not a cache check.
bool ReadBytes(const std::string &path, std::string &out);
// The cache key of a path: absolute, "." and ".." resolved, '/'-separated.
std::string Normalise(std::u16string_view path);
// 0 when this process may replace the file (`exists`, with permission bits
// `mode`) through a temporary file in `folder`; else the error code.
uint32_t WriteRefusal(const std::string &path, const std::string &folder, bool exists, unsigned mode);

int64_t MonotonicNs();
int64_t RealNowNs();

} // namespace vk::ini::detail

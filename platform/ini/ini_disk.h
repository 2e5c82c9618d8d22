// What the ini cache asks of the file system, one file per operating system
// (ini_disk_posix.cpp, ini_disk_win.cpp). Paths are the cache's own: absolute,
// UTF-8, '/'-separated.
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
// True when the path names something other than a plain file: a link, a
// folder, a device (on Windows a folder or a reparse point). False for a
// plain file and for nothing at all.
bool NamesOtherThanAFile(const std::string &path);
// The canonical path of a file or folder: absolute, "." and ".." resolved,
// every link (and on Windows every junction, short name and letter case) as
// the file system resolves it, so that every spelling of one file gives the
// same path. A file that is not there yet: its folder resolved, plus its name.
std::string CanonicalPath(std::u16string_view path);
// The cache key of a canonical path: the path itself on Linux; with letters
// folded on Windows, whose file names ignore case.
std::string KeyOf(const std::string &canonical);
// 0 when this process may replace the file (`exists`, with permission bits
// `mode`) through a temporary file in `folder`; else the error code.
uint32_t WriteRefusal(const std::string &path, const std::string &folder, bool exists, unsigned mode);

int64_t MonotonicNs();
int64_t RealNowNs();

} // namespace vk::ini::detail

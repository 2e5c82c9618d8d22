// The process-wide cache of parsed ini files.
//
// One entry per file, keyed by its absolute, lexically normalised path. An
// entry is read again only when the file changed on disk (size, write time in
// nanoseconds, inode); a file written within the time stamps' resolution of
// its reading is compared by content as well, so that a rewrite of the same
// size in the same clock tick is not missed. Writes change the cached
// document; a flush replaces the file atomically. When the file changed on
// disk while writes were pending, the file on disk is the newer state and the
// pending writes are dropped, as they would have been overwritten. Files
// without pending writes leave the cache when too many are cached.
//
// Every function here expects the caller to hold CacheMutex().
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/ini/ini_document.h"

namespace vk::ini::detail {

struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};

struct CachedFile {
    std::string path; // absolute native path
    Document doc;
    FileStamp stamp;        // of the file as last read or written
    unsigned mode = 0;      // its permission bits
    bool unreadable = false; // exists but cannot be read: reads see nothing, writes fail
    size_t hash = 0;        // of its bytes as last read or written
    bool racy = false;      // written too recently for the time stamp to tell changes
    bool dirty = false;     // writes pending
    int64_t checkedAtNs = 0; // monotonic time of the last look at the file on disk
    uint64_t lastUse = 0;
    std::chrono::steady_clock::time_point firstPending{};
    std::chrono::steady_clock::time_point nextAttempt{};
};

std::mutex &CacheMutex();

// The entry for a file, read or brought up to date; null for an empty path.
CachedFile *OpenFile(std::u16string_view path);
// The entry when the file is cached, without reading it.
CachedFile *CachedOnly(std::u16string_view path);

// Checks that a write to the file can succeed (file and folder writable, the
// file readable); sets the last error when not.
bool PrepareWrite(CachedFile &f);
void MarkDirty(CachedFile &f);
// Drops the pending writes and reads the file again.
void Reload(CachedFile &f);

bool FlushFile(CachedFile &f);
bool FlushAll();
// Flushes every file under a folder (or the file itself).
bool FlushUnder(std::u16string_view path);
// Flushes the files whose first pending write is kFlushDelayMs old.
void FlushDue();
void ForgetFile(std::u16string_view path);
// Forgets the file and every file under the folder `path`.
void ForgetUnder(std::u16string_view path);
void ForgetAll();

uint64_t ParseCount();

} // namespace vk::ini::detail

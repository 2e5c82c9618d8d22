// The process-wide cache of parsed ini files.
//
// One entry per file, keyed by its canonical path (absolute, with every
// symbolic link resolved), so that every spelling of a file's path, through
// linked folders or a linked file, reaches the same entry. An entry is read
// again only when the file changed on disk (size, write time in nanoseconds,
// inode); a file written within the time stamps' resolution of its reading is
// compared by content as well, so that a rewrite of the same size in the same
// clock tick is not missed.
//
// Writes are kept twice: applied to the cached document, so that reads see
// them at once, and as a list of edits. A flush takes the folder's lock,
// reads the file as it is on disk, makes the edits again on that content when
// another process changed it meanwhile, and replaces the file atomically. So
// nobody's changes are lost: neither this process's pending edits nor what
// another process wrote. A flush that fails drops the edits it could not
// write, and the entry goes back to what the disk holds.
//
// Files without pending writes leave the cache when too many are cached.
// Every function here expects the caller to hold CacheMutex().
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

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
    std::string path; // canonical native path
    Document doc;     // the file as last read or written, with the pending edits made
    FileStamp stamp;  // of the file as last read or written
    unsigned mode = 0;       // its permission bits
    bool unreadable = false; // exists but cannot be read: reads see nothing, writes fail
    size_t hash = 0;         // of its bytes as last read or written
    bool racy = false;       // written too recently for the time stamp to tell changes
    std::vector<Edit> pending; // writes not yet on disk, in order
    int frozen = 0;            // snapshots held: the entry is not read again meanwhile
    int64_t checkedAtNs = 0;   // monotonic time of the last look at the file on disk
    uint64_t lastUse = 0;
};

std::mutex &CacheMutex();

// The entry for a file, read or brought up to date; null for an empty path.
// `fresh`: the file is looked at on disk now, even when it was a moment ago
// (a file looked at within the last millisecond is otherwise taken as
// unchanged, which a snapshot must not freeze).
CachedFile *OpenFile(std::u16string_view path, bool fresh = false);
// The entry when the file is cached, without reading it.
CachedFile *CachedOnly(std::u16string_view path);
// The canonical native path of a file or folder (see above).
std::string Canonical(std::u16string_view path);

// Checks that a write to the file can succeed (file and folder writable, the
// file readable); sets the last error when not.
bool PrepareWrite(CachedFile &f);
// Makes the edit on the cached document and keeps it for the flush. False
// (nothing changed) when the text cannot be written as asked.
bool AddEdit(CachedFile &f, Edit edit);

// Writes the pending edits to disk (see above). False, with the last error
// set, when they could not be written; they are dropped then.
bool FlushFile(CachedFile &f);
// Every file with pending edits; with scratchToo false, the files of scratch
// folders keep theirs (see SetScratchFolder).
bool FlushAll(bool scratchToo = true);
// Whether a file outside the scratch folders has edits not yet on disk.
bool PendingOutsideScratch();
// Whether the canonical path lies inside a scratch folder.
bool InScratchFolder(const std::string &path);
void SetScratchFolder(std::u16string_view folder, bool scratch);
// Flushes every file under a folder (or the file itself).
bool FlushUnder(std::u16string_view path);
void ForgetFile(std::u16string_view path);
// Forgets the file and every file under the folder `path`.
void ForgetUnder(std::u16string_view path);
void ForgetAll();

uint64_t ParseCount();

} // namespace vk::ini::detail

// Files and folders.
//
// Paths are UTF-16 and native ('/' on Linux). Results follow the system's
// error model: functions return false and set LastError() to a Windows-style
// error code, which the callers of the engine map to status codes.
//
// Every open, write, flush and rename of this module can be made to fail on
// its Nth call (FailNth), so tests can prove that each step of a job leaves
// its files wholly old or wholly new.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vk::fs {

// ---- Error codes (the Windows values the system's logic is written for) ----
enum : uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorWriteProtect = 19,
    kErrorSharingViolation = 32,
    kErrorHandleDiskFull = 39,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorFilenameTooLong = 206,
    // Codes that only the Windows side reports, named for the texts below.
    kErrorNotSameDevice = 17,
    kErrorLockViolation = 33,
    kErrorBadNetPath = 53,
    kErrorModNotFound = 126,
    kErrorBadExeFormat = 193,
    kErrorDirectory = 267,
    kErrorCantAccessFile = 1920,
};
uint32_t LastError();
void SetLastError(uint32_t code);
uint32_t ErrorFromErrno(int err);
std::u16string ErrorText(uint32_t code);

// ---- Fault injection (tests) ----
enum class Op { Open, Write, Flush, Rename };
// The n-th call (1-based, counted from now) of `op` fails with `error`;
// n = 0 switches the fault off.
void FailNth(Op op, int n, uint32_t error = kErrorDiskFull);
void ResetFaults();
// Number of calls of `op` since the last ResetFaults (for N-th-failure loops).
int CallCount(Op op);
// Counts one call of `op`; true (with LastError set) when this call is the one
// to fail. For the other modules of the layer that have their own fault points.
bool InjectedFault(Op op);

// ---- Whole files (file_io.cpp) ----
bool ReadWhole(std::u16string_view path, std::string &out);
// Replaces `path` atomically: writes a temporary file in the same folder,
// flushes it to disk and renames it over the old one. On failure the old file
// (if any) is untouched and no temporary file is left behind.
// `durable` false skips the syncs (for files in a job's scratch folder, which
// nothing needs after a crash); the replacement is atomic all the same.
bool WriteAtomic(std::u16string_view path, std::string_view data, bool durable = true);

// Streamed writing with the same fault points (results report, copies).
class Writer {
public:
    Writer() = default;
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;
    // truncate = true: create or truncate; false: create only when missing.
    // A new file gets `mode` less the umask.
    bool Open(std::u16string_view path, bool truncate = true, unsigned mode = 0666);
    bool Write(const void *data, size_t size);
    bool Flush(); // fsync
    bool Close();
    bool IsOpen() const { return fd_ != -1; }

private:
    intptr_t fd_ = -1; // a file descriptor, or a Windows file handle
};

// Random-access reading of a file, without fault points (file versions read
// only the bytes they need). file_read_posix.cpp, file_read_win.cpp.
class File {
public:
    File() = default;
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    // A plain file only; false (LastError set) otherwise.
    bool Open(std::u16string_view path);
    uint64_t Size() const { return size_; }
    // Reads exactly n bytes at off; false when they are not all there.
    bool ReadAt(uint64_t off, size_t n, void *out) const;
    // Reads on from where the last Read stopped (not to be mixed with
    // ReadAt): the bytes read, 0 at the end, -1 on an error (LastError set).
    // Reads past Size() when the file grew since it was opened.
    int64_t Read(void *out, size_t n);
    // The permission bits when it was opened (Windows: 0644, or 0444 when
    // read-only) and its modification time in Unix seconds.
    uint32_t Permissions() const { return permissions_; }
    int64_t ModifiedUnixSeconds() const { return mtime_; }

private:
    intptr_t fd_ = -1; // a file descriptor, or a Windows file handle
    uint64_t size_ = 0;
    uint32_t permissions_ = 0644;
    int64_t mtime_ = 0;
};

// A nameless file in a folder for data that must not outlive the process:
// nothing of it stays behind however the process ends (POSIX: unlinked as
// soon as it is made; Windows: deleted when its handle closes).
// scratch_file_posix.cpp, scratch_file_win.cpp.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    // Makes the file in `folder`; false (LastError set) when it cannot.
    bool Open(std::u16string_view folder);
    bool IsOpen() const { return fd_ != -1; }
    // Writes and reads at a given offset; threads may write disjoint ranges
    // at the same time.
    bool WriteAt(uint64_t off, const void *data, size_t n);
    bool ReadAt(uint64_t off, size_t n, void *out) const;

private:
    intptr_t fd_ = -1; // a file descriptor, or a Windows file handle
};

// Flushes an existing file (or folder) to disk, e.g. a file another library
// wrote, before it is renamed into place (sync_file.cpp). Fault point: Flush.
bool SyncFile(std::u16string_view path);

// ---- Attributes and folders (folders.cpp) ----
struct FileInfo {
    bool exists = false;
    bool directory = false;
    bool readOnly = false;   // not writable by this process
    bool symlink = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // Windows file time: 100 ns since 1601-01-01 UTC
    uint64_t inode = 0;
    int64_t mtimeNs = 0;     // for change detection
};
bool Stat(std::u16string_view path, FileInfo &info);
bool Exists(std::u16string_view path);
bool IsDirectory(std::u16string_view path);
bool SetWriteTime(std::u16string_view path, uint64_t fileTime);
bool SetReadOnly(std::u16string_view path, bool readOnly);
// Sets the permission bits (the lower 12 bits of `mode`) of a file or folder.
bool SetPermissions(std::u16string_view path, uint32_t mode);

// Creates one folder. Fails with kErrorAlreadyExists when it exists and with
// kErrorPathNotFound when its parent is missing.
bool CreateDirectory(std::u16string_view path);
bool RemoveDirectory(std::u16string_view path);   // empty folder only
bool DeleteFile(std::u16string_view path);
bool MoveFile(std::u16string_view from, std::u16string_view to); // rename, replacing
// How CopyFile makes the copy.
enum class CopyMode {
    Durable, // the copy is flushed to disk before it is renamed into place
    Fast,    // no flush: bulk copies call SyncFileSystem once at the end
};
// Copies contents, then the permission bits and the write time.
// failIfExists: kErrorFileExists. The copy is made under a temporary name
// beside the destination and renamed into place, so a failed copy never
// leaves half a file. A destination that is a symbolic link is replaced by
// the copy: nothing is written through it.
bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists,
              CopyMode mode = CopyMode::Durable);
// A name for a new temporary file beside `path` (the kind of name CopyFile
// uses for its copy under way), "" when none is free.
std::u16string TempNameBeside(std::u16string_view path);
// The path with every symbolic link, "." and ".." resolved. Of a path that
// does not exist (yet), its deepest existing folder is resolved and the rest
// appended as written. "" when not even that can be resolved.
std::u16string ResolvePath(std::u16string_view path);
// Bytes free for this process on the file system that holds `path`;
// UINT64_MAX when that cannot be found out.
uint64_t FreeSpace(std::u16string_view path);
// Flushes everything written to the file system that holds `path`.
bool SyncFileSystem(std::u16string_view path);
// Removes a file or a folder with everything in it; never follows symlinks
// out of the tree. Refuses "" and "/" (kErrorInvalidParameter).
bool RemoveTree(std::u16string_view path);

struct DirEntry {
    std::u16string name;
    bool directory = false;
    bool symlink = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
};
// Entries of a folder without "." and "..", sorted by name.
bool ListDirectory(std::u16string_view dir, std::vector<DirEntry> &entries);
// The order ListDirectory returns: by name ignoring case, then by code unit.
void SortEntries(std::vector<DirEntry> &entries);

// The temporary-files folder with a trailing separator ($TMPDIR or /tmp/).
std::u16string TempDirectory();
// Creates a new uniquely named folder (mode 0700) inside `parent`; returns its
// path with a trailing separator, or "" on failure.
std::u16string MakeUniqueFolder(std::u16string_view parent, std::u16string_view prefix);

// ---- Runs and their leftovers (leftovers.cpp) ----
// This process's run tag, "<process id>-<start time>". Temporary files and
// folders that a run leaves behind when it is killed carry it in their names:
// work folders "wtd<tag>_…", spool folders "arczip<tag>_…", archives being
// written ".~arc<tag>.….tmp" and copies being made ".vkcopy.<tag>.….tmp".
std::u16string RunTag();
// False when the run of `tag` is gone: its process does not exist, or the
// process id now belongs to a process that started at another time.
bool RunAlive(std::u16string_view tag);
// Removes from `folder` (not below it) the leftovers named above of runs that
// are gone; never anything of a run that still works, nor a name without a
// run tag. Returns how many were removed.
int RemoveLeftovers(std::u16string_view folder);

// Current time as a Windows file time, and conversions.
uint64_t NowFileTime();
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond, weekday;
};
LocalTime NowLocal();

// Path helpers. Paths inside the system use '/' on both systems; the Windows
// side also accepts '\' and converts at its calls into Windows.
inline constexpr char16_t kSep = u'/';
// '/' on Linux; '/' or '\' on Windows (path_posix.cpp, path_win.cpp).
bool IsSeparator(char16_t c);
// Length of the root of an absolute path: 1 for "/" on Linux; on Windows
// 3 for "C:/", 2 for "C:", the whole "//server/share/" and "\\?\C:\" prefix.
// 0 for a relative path.
size_t RootLength(std::u16string_view path);
inline bool IsAbsolutePath(std::u16string_view path) { return RootLength(path) > 0; }
// A path as Windows or a user spelt it, in the form used inside: '\' becomes
// '/' on Windows; unchanged on Linux, where '\' is an ordinary character.
std::u16string InternalPath(std::u16string_view path);
std::u16string CurrentDirectory();   // with trailing separator
// The folder of the running program file, with trailing separator ("" when
// it cannot be found out).
std::u16string ProgramFolder();
std::u16string FileNamePart(std::u16string_view path);
std::u16string ParentFolder(std::u16string_view path); // with trailing separator, "" when none

} // namespace vk::fs

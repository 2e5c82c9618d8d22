// The portable part of the file layer: the last-error value, error texts,
// the fault points that tests use to fail any step on purpose, and the path
// helpers over the '/' separator.
#include <algorithm>
#include <mutex>
#include <string>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {

// ---- Last error ----

namespace {
thread_local uint32_t t_lastError = kErrorSuccess;
} // namespace

uint32_t LastError() { return t_lastError; }
void SetLastError(uint32_t code) { t_lastError = code; }

std::u16string ErrorText(uint32_t code) {
    switch (code) {
    case kErrorSuccess: return u"The operation completed successfully.";
    case kErrorFileNotFound: return u"The system cannot find the file specified.";
    case kErrorPathNotFound: return u"The system cannot find the path specified.";
    case 4: return u"The system cannot open the file.";
    case kErrorAccessDenied: return u"Access is denied.";
    case 8: return u"Not enough memory resources are available to process this command.";
    case kErrorWriteProtect: return u"The media is write protected.";
    case 31: return u"A device attached to the system is not functioning.";
    case kErrorSharingViolation:
        return u"The process cannot access the file because it is being used by another process.";
    case kErrorHandleDiskFull: return u"The disk is full.";
    case kErrorFileExists: return u"The file exists.";
    case kErrorInvalidParameter: return u"The parameter is incorrect.";
    case kErrorDiskFull: return u"There is not enough space on the disk.";
    case kErrorInvalidName: return u"The filename, directory name, or volume label syntax is incorrect.";
    case kErrorDirNotEmpty: return u"The directory is not empty.";
    case kErrorAlreadyExists: return u"Cannot create a file when that file already exists.";
    case kErrorFilenameTooLong: return u"The filename or extension is too long.";
    case kErrorNotSameDevice: return u"The system cannot move the file to a different disk drive.";
    case kErrorLockViolation:
        return u"The process cannot access the file because another process has locked a portion of the file.";
    case kErrorBadNetPath: return u"The network path was not found.";
    case kErrorModNotFound: return u"The specified module could not be found.";
    case kErrorBadExeFormat: return u"The file is not a valid Win32 application.";
    case kErrorDirectory: return u"The directory name is invalid.";
    case kErrorCantAccessFile: return u"The file cannot be accessed by the system.";
    default: return u"Error " + vk::text::U16(std::to_string(code)) + u".";
    }
}

// ---- Fault injection ----

namespace {

constexpr int kOps = 4;

struct Faults {
    std::mutex mutex;
    int calls[kOps] = {};
    int failAt[kOps] = {}; // 0: off; otherwise the call number that fails
    uint32_t error[kOps] = {};
};

Faults &TheFaults() {
    static Faults *faults = new Faults; // never destroyed: used until the very end of the process
    return *faults;
}

} // namespace

void FailNth(Op op, int n, uint32_t error) {
    Faults &f = TheFaults();
    std::lock_guard<std::mutex> lock(f.mutex);
    const int i = static_cast<int>(op);
    f.failAt[i] = n > 0 ? f.calls[i] + n : 0;
    f.error[i] = error;
}

void ResetFaults() {
    Faults &f = TheFaults();
    std::lock_guard<std::mutex> lock(f.mutex);
    for (int i = 0; i < kOps; ++i) f.calls[i] = f.failAt[i] = 0;
}

int CallCount(Op op) {
    Faults &f = TheFaults();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.calls[static_cast<int>(op)];
}

bool InjectedFault(Op op) {
    Faults &f = TheFaults();
    std::lock_guard<std::mutex> lock(f.mutex);
    const int i = static_cast<int>(op);
    ++f.calls[i];
    if (f.failAt[i] == 0 || f.calls[i] != f.failAt[i]) return false;
    f.failAt[i] = 0;
    SetLastError(f.error[i]);
    return true;
}

// ---- Attributes ----

bool Exists(std::u16string_view path) {
    FileInfo info;
    return Stat(path, info) && info.exists;
}

bool IsDirectory(std::u16string_view path) {
    FileInfo info;
    return Stat(path, info) && info.directory;
}

// ---- Paths ----

namespace {
// Position of the last separator, npos when there is none.
size_t LastSeparator(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return i - 1;
    return std::u16string_view::npos;
}
} // namespace

void SortEntries(std::vector<DirEntry> &entries) {
    std::sort(entries.begin(), entries.end(), [](const DirEntry &a, const DirEntry &b) {
        const int c = vk::text::CompareNoCase(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
}

std::u16string FileNamePart(std::u16string_view path) {
    const size_t p = LastSeparator(path);
    return std::u16string(p == std::u16string_view::npos ? path : path.substr(p + 1));
}

std::u16string ParentFolder(std::u16string_view path) {
    const size_t p = LastSeparator(path);
    return p == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, p + 1));
}

} // namespace vk::fs

// Whole-file reads, atomic replacement and streamed writing over the wide
// Windows calls. Windows error codes are passed on as they are.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fs/fs.h"
#include "platform/fs/retry_win.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::fs {

uint32_t ErrorFromErrno(int err) {
    // Only the C runtime's own failures come here on Windows.
    switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case EACCES:
    case EPERM: return kErrorAccessDenied;
    case ENOSPC: return kErrorDiskFull;
    case EEXIST: return kErrorFileExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENOMEM: return 8;
    default: return 31;
    }
}

namespace {

bool FailWith(uint32_t code) {
    SetLastError(code);
    return false;
}

bool FailWindows() { return FailWith(::GetLastError()); }

bool WriteAll(HANDLE h, const char *data, size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, data, chunk, &written, nullptr)) return FailWindows();
        if (written == 0) return FailWith(kErrorDiskFull);
        data += written;
        size -= written;
    }
    return true;
}

// Temporary files of WriteAtomic: ".<name>.<pid>.<n>.vktmp" beside the target.
// A process killed between creating and renaming one leaves it behind; the
// next replacement of the same file removes those of processes that are gone.
constexpr char16_t kTempSuffix[] = u".vktmp";

bool ProcessGone(DWORD pid) {
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h) return ::GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    DWORD code = 0;
    const bool ended = ::GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
    ::CloseHandle(h);
    return ended;
}

void RemoveStaleTemps(const std::u16string &folder, const std::u16string &name) {
    const std::u16string prefix = u"." + name + u".";
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(win::Win32Path(folder + prefix + u"*" + kTempSuffix).c_str(), FindExInfoBasic,
                                     &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    const std::u16string_view suffix = kTempSuffix;
    do {
        const std::u16string entry = win::FromWide(data.cFileName);
        if (entry.size() <= prefix.size() + suffix.size()) continue;
        const std::string middle =
            vk::text::ToUtf8(std::u16string_view(entry).substr(prefix.size(), entry.size() - prefix.size() - suffix.size()));
        const unsigned long pid = std::strtoul(middle.c_str(), nullptr, 10);
        if (pid == 0 || pid == ::GetCurrentProcessId() || !ProcessGone(static_cast<DWORD>(pid))) continue;
        ::DeleteFileW(win::Win32Path(folder + entry).c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

} // namespace

bool ReadWhole(std::u16string_view path, std::string &out) {
    out.clear();
    if (path.empty()) return FailWith(kErrorFileNotFound);
    if (InjectedFault(Op::Open)) return false;
    win::Handle h(::CreateFileW(win::Win32Path(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) return FailWindows();
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(h.Get(), &size)) out.reserve(static_cast<size_t>(size.QuadPart));
    char buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr)) {
            out.clear();
            return FailWindows();
        }
        if (n == 0) break;
        out.append(buffer, n);
    }
    SetLastError(kErrorSuccess);
    return true;
}

bool WriteAtomic(std::u16string_view path, std::string_view data, bool durable) {
    if (path.empty()) return FailWith(kErrorFileNotFound);
    const std::wstring target = win::Win32Path(path);

    // The replacement keeps the old file's hidden/system attributes and its
    // creation time; a read-only file stays as it is.
    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool existed = ::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old);
    if (existed) {
        if (old.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FailWith(kErrorAccessDenied);
        if (old.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return FailWith(kErrorAccessDenied);
    } else if (::GetLastError() == ERROR_PATH_NOT_FOUND) {
        return FailWith(kErrorPathNotFound);
    }
    const DWORD keep = existed ? old.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)
                               : 0;

    const std::u16string folder = ParentFolder(path);
    const std::u16string name = FileNamePart(path);
    RemoveStaleTemps(folder, name);

    static std::atomic<unsigned> counter{0};
    if (InjectedFault(Op::Open)) return false;
    std::wstring temp;
    win::Handle h;
    for (int attempt = 0; attempt < 100 && !h.Valid(); ++attempt) {
        temp = win::Win32Path(folder + u"." + name + u"." + vk::text::U16(std::to_string(::GetCurrentProcessId())) +
                              u"." + vk::text::U16(std::to_string(counter.fetch_add(1))) + kTempSuffix);
        h.Reset(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              keep ? keep : FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.Valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!h.Valid()) return FailWindows();

    auto abandon = [&]() {
        const uint32_t code = LastError();
        h.Reset();
        ::DeleteFileW(temp.c_str());
        return FailWith(code);
    };

    constexpr size_t kChunk = 1 << 20;
    size_t done = 0;
    do {
        const size_t n = std::min(kChunk, data.size() - done);
        if (InjectedFault(Op::Write)) return abandon();
        if (!WriteAll(h.Get(), data.data() + done, n)) return abandon();
        done += n;
    } while (done < data.size());
    if (existed) ::SetFileTime(h.Get(), &old.ftCreationTime, nullptr, nullptr);
    if (durable) {
        if (InjectedFault(Op::Flush)) return abandon();
        if (!::FlushFileBuffers(h.Get())) {
            SetLastError(::GetLastError());
            return abandon();
        }
    }
    h.Reset();
    // A virus scanner or indexer that opened the new file a moment ago makes
    // the rename fail for a while; RetryRename waits for it.
    if (!RetryRename(temp, target, MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0))) return abandon();
    SetLastError(kErrorSuccess);
    return true;
}

// ---- Writer ----

Writer::~Writer() {
    if (fd_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(fd_));
}

// `mode` has no Windows counterpart: a new file takes its access control list
// from its folder, as every file there does.
bool Writer::Open(std::u16string_view path, bool truncate, unsigned /*mode*/) {
    if (fd_ != -1) Close();
    if (path.empty()) return FailWith(kErrorPathNotFound);
    if (InjectedFault(Op::Open)) return false;
    HANDLE h = ::CreateFileW(win::Win32Path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, truncate ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        return FailWith(err == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(kErrorPathNotFound) : err);
    }
    fd_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool Writer::Write(const void *data, size_t size) {
    if (fd_ == -1) return FailWith(kErrorInvalidParameter);
    if (InjectedFault(Op::Write)) return false;
    return WriteAll(reinterpret_cast<HANDLE>(fd_), static_cast<const char *>(data), size);
}

bool Writer::Flush() {
    if (fd_ == -1) return FailWith(kErrorInvalidParameter);
    if (InjectedFault(Op::Flush)) return false;
    if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(fd_))) return FailWindows();
    return true;
}

bool Writer::Close() {
    if (fd_ == -1) return true;
    HANDLE h = reinterpret_cast<HANDLE>(fd_);
    fd_ = -1;
    if (!::CloseHandle(h)) return FailWindows();
    return true;
}

} // namespace vk::fs

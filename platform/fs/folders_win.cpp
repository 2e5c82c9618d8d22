// Attributes, folders and copies over the wide Windows calls.
//
// Failures set LastError() to the Windows code as Windows gave it.
#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/fs/retry_win.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::fs {

namespace {

// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000LL;

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

bool FailWindows() { return Fail(::GetLastError()); }

std::u16string WithoutTrailing(std::u16string_view path) {
    std::u16string p(path);
    while (p.size() > RootLength(p) && IsSeparator(p.back())) p.pop_back();
    return p;
}

std::wstring W(std::u16string_view path) { return win::Win32Path(WithoutTrailing(path)); }

void FillTimes(uint64_t writeTime, FileInfo &info) {
    info.writeTime = writeTime;
    info.mtimeNs = (static_cast<int64_t>(writeTime) - kEpochTicks) * 100;
}

bool IsReadOnlyFile(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Identity and size of an existing file or folder, through a handle that
// follows links and blocks nobody.
bool Describe(const std::wstring &path, BY_HANDLE_FILE_INFORMATION &out) {
    win::Handle h(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.Valid() && ::GetFileInformationByHandle(h.Get(), &out);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION &a, const BY_HANDLE_FILE_INFORMATION &b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

std::atomic<unsigned> g_copyCounter{0};


// True when the path names the root of a drive or a share, before or after
// it is made absolute ("C:", "C:/", "C:\\", "\\\\?\\C:\\", "C:/x/..", "//server/share/").
bool IsRootPath(std::u16string_view path) {
    if (RootLength(path) >= path.size()) return true;
    std::u16string normal = win::FromWin32Path(win::Win32Path(path));
    while (!normal.empty() && IsSeparator(normal.back())) normal.pop_back();
    return RootLength(normal) >= normal.size();
}

// True when a part of the path other than "." and ".." ends in a dot or a
// blank: Windows would silently name another file or folder.
bool HasStrippedName(std::u16string_view path) {
    size_t i = RootLength(path);
    while (i < path.size()) {
        size_t j = i;
        while (j < path.size() && !IsSeparator(path[j])) ++j;
        const std::u16string_view part = path.substr(i, j - i);
        if (!part.empty() && part != u"." && part != u".." && (part.back() == u'.' || part.back() == u' ')) return true;
        i = j + 1;
    }
    return false;
}

// Removes everything below `dir` (a Win32 path without trailing '\'), then
// nothing else: links and junctions are removed, never entered; read-only
// files inside the tree are made writable first.
bool RemoveContents(const std::wstring &dir, uint32_t &firstError) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return true;
        if (!firstError) firstError = err;
        return false;
    }
    bool ok = true;
    auto note = [&](DWORD err) {
        ok = false;
        if (!firstError) firstError = err;
    };
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = dir + L"\\" + std::wstring(name);
        const DWORD attr = data.dwFileAttributes;
        if (attr & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(child.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
        if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
            const bool gone = (attr & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(child.c_str())
                                                                : ::DeleteFileW(child.c_str());
            if (!gone) note(::GetLastError());
        } else if (attr & FILE_ATTRIBUTE_DIRECTORY) {
            if (!RemoveContents(child, firstError)) ok = false;
            if (!Retrying([&] { return ::RemoveDirectoryW(child.c_str()) != 0; })) note(::GetLastError());
        } else if (!Retrying([&] { return ::DeleteFileW(child.c_str()) != 0; }) &&
                   ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            note(::GetLastError());
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return ok;
}

} // namespace

std::u16string TempNameBeside(std::u16string_view to) {
    const std::u16string folder = ParentFolder(to);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned n = g_copyCounter.fetch_add(1);
        // ".vkcopy.<run tag>.<n>.tmp": a later run removes it should this one be killed.
        std::u16string candidate = folder + u".vkcopy." + RunTag() + u"." + text::U16(std::to_string(n)) + u".tmp";
        if (::GetFileAttributesW(win::Win32Path(candidate).c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return candidate;
    }
    return {};
}

// ---- Attributes ----

bool Stat(std::u16string_view path, FileInfo &info) {
    info = FileInfo{};
    if (path.empty()) return Fail(kErrorPathNotFound);
    const std::wstring w = W(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &data)) return FailWindows();
    info.exists = true;
    info.symlink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.readOnly = IsReadOnlyFile(data.dwFileAttributes);
    BY_HANDLE_FILE_INFORMATION h{};
    if (Describe(w, h)) { // the target of a link
        info.directory = (h.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info.size = info.directory ? 0 : (static_cast<uint64_t>(h.nFileSizeHigh) << 32) | h.nFileSizeLow;
        info.inode = (static_cast<uint64_t>(h.nFileIndexHigh) << 32) | h.nFileIndexLow;
        FillTimes(win::FileTimeValue(h.ftLastWriteTime), info);
    } else {
        info.size = info.directory ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        FillTimes(win::FileTimeValue(data.ftLastWriteTime), info);
    }
    // A trailing separator names a folder: "file/" does not exist.
    if (IsSeparator(path.back()) && !info.directory) {
        info = FileInfo{};
        return Fail(kErrorPathNotFound);
    }
    return true;
}

bool SetWriteTime(std::u16string_view path, uint64_t fileTime) {
    win::Handle h(::CreateFileW(W(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.Valid()) return FailWindows();
    const FILETIME t = win::ToFileTime(fileTime);
    if (!::SetFileTime(h.Get(), nullptr, nullptr, &t)) return FailWindows();
    return true;
}

bool SetReadOnly(std::u16string_view path, bool readOnly) {
    const std::wstring w = W(path);
    const DWORD attr = ::GetFileAttributesW(w.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return FailWindows();
    const DWORD next = readOnly ? attr | FILE_ATTRIBUTE_READONLY : attr & ~FILE_ATTRIBUTE_READONLY;
    if (next != attr && !::SetFileAttributesW(w.c_str(), next)) return FailWindows();
    return true;
}

// Windows has no permission bits; of them only "nobody may write" has a
// counterpart, the read-only attribute.
bool SetPermissions(std::u16string_view path, uint32_t mode) { return SetReadOnly(path, (mode & 0222) == 0); }

// ---- Folders and files ----

bool CreateDirectory(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorPathNotFound);
    if (!::CreateDirectoryW(W(path).c_str(), nullptr)) return FailWindows();
    return true;
}

bool RemoveDirectory(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorPathNotFound);
    const std::wstring w = W(path);
    if (!Retrying([&] { return ::RemoveDirectoryW(w.c_str()) != 0; })) return FailWindows();
    return true;
}

bool DeleteFile(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorFileNotFound);
    const std::wstring w = W(path);
    const DWORD attr = ::GetFileAttributesW(w.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return FailWindows();
    if ((attr & FILE_ATTRIBUTE_DIRECTORY) && !(attr & FILE_ATTRIBUTE_REPARSE_POINT)) return Fail(kErrorAccessDenied);
    if (attr & FILE_ATTRIBUTE_READONLY) return Fail(kErrorAccessDenied);
    if (!RetryDelete(w)) return false;
    vk::ini::Forget(std::u16string(path).c_str());
    return true;
}

bool MoveFile(std::u16string_view from, std::u16string_view to) {
    if (from.empty() || to.empty()) return Fail(kErrorPathNotFound);
    const std::wstring src = W(from);
    const std::wstring dst = W(to);
    const DWORD dstAttr = ::GetFileAttributesW(dst.c_str());
    if (dstAttr != INVALID_FILE_ATTRIBUTES && IsReadOnlyFile(dstAttr) && text::CompareNoCase(win::FromWide(src), win::FromWide(dst)) != 0)
        return Fail(kErrorAccessDenied);
    if (!vk::ini::FlushBeforeFileRead(from)) {
        const uint32_t e = LastError();
        return Fail(e ? e : kErrorAccessDenied);
    }
    // A folder cannot replace anything; a file replaces a file.
    const DWORD srcAttr = ::GetFileAttributesW(src.c_str());
    const bool folder = srcAttr != INVALID_FILE_ATTRIBUTES && (srcAttr & FILE_ATTRIBUTE_DIRECTORY);
    if (folder && dstAttr != INVALID_FILE_ATTRIBUTES) return Fail(kErrorAlreadyExists);
    if (!RetryRename(src, dst, folder ? 0 : MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (LastError() != ERROR_NOT_SAME_DEVICE || folder) return false;
        // Another volume: copy, then remove the original (files only).
        if (!CopyFile(from, to, false)) return false;
        if (!RetryDelete(src)) return false;
        vk::ini::Forget(std::u16string(from).c_str());
        return true;
    }
    vk::ini::Forget(std::u16string(from).c_str());
    vk::ini::Forget(std::u16string(to).c_str());
    return true;
}

bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists, CopyMode /*mode*/) {
    if (from.empty() || to.empty()) return Fail(kErrorPathNotFound);
    // Pending ini writes of the source must be in the copy.
    if (!vk::ini::FlushBeforeFileRead(from)) {
        const uint32_t e = LastError();
        return Fail(e ? e : kErrorAccessDenied);
    }
    win::Handle in(::CreateFileW(W(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.Valid()) return FailWindows();
    BY_HANDLE_FILE_INFORMATION src{};
    if (!::GetFileInformationByHandle(in.Get(), &src)) return FailWindows();
    if (src.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(kErrorAccessDenied);

    const std::wstring dst = W(to);
    const DWORD dstAttr = ::GetFileAttributesW(dst.c_str());
    if (dstAttr != INVALID_FILE_ATTRIBUTES) {
        if (failIfExists) return Fail(kErrorFileExists);
        if (dstAttr & FILE_ATTRIBUTE_DIRECTORY) return Fail(kErrorAccessDenied);
        BY_HANDLE_FILE_INFORMATION existing{};
        if (Describe(dst, existing) && SameFile(existing, src)) return Fail(kErrorSharingViolation);
        if (dstAttr & FILE_ATTRIBUTE_READONLY) return Fail(kErrorAccessDenied);
    } else if (::GetLastError() == ERROR_PATH_NOT_FOUND) {
        return Fail(kErrorPathNotFound);
    }

    const std::u16string temp = TempNameBeside(to);
    if (temp.empty()) return Fail(kErrorAccessDenied);
    const std::wstring tempW = win::Win32Path(temp);
    {
        Writer out;
        if (!out.Open(temp, false)) {
            const uint32_t e = LastError();
            return Fail(e == kErrorFileNotFound ? kErrorPathNotFound : e);
        }
        auto abandon = [&](uint32_t code) {
            out.Close();
            ::DeleteFileW(tempW.c_str());
            return Fail(code);
        };
        std::vector<char> buffer(1 << 16);
        for (;;) {
            DWORD n = 0;
            if (!::ReadFile(in.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
                return abandon(::GetLastError());
            if (n == 0) break;
            if (!out.Write(buffer.data(), n)) return abandon(LastError());
        }
        // Windows cannot flush a whole volume without administrator rights
        // (SyncFileSystem), so even a Fast copy is flushed by itself.
        if (!out.Flush()) return abandon(LastError());
        if (!out.Close()) return abandon(LastError());
    }
    // The source's write time (the version policy compares write times) and
    // its read-only attribute.
    {
        win::Handle t(::CreateFileW(tempW.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        if (t.Valid()) ::SetFileTime(t.Get(), nullptr, nullptr, &src.ftLastWriteTime);
    }
    if (src.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(tempW.c_str(), FILE_ATTRIBUTE_READONLY);

    // Without MOVEFILE_REPLACE_EXISTING the rename itself refuses a file that
    // appeared during the copy.
    if (!RetryRename(tempW, dst, failIfExists ? MOVEFILE_WRITE_THROUGH : MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const uint32_t e = LastError();
        ::SetFileAttributesW(tempW.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(tempW.c_str());
        return Fail(e == ERROR_ALREADY_EXISTS ? kErrorFileExists : e);
    }
    vk::ini::Forget(std::u16string(to).c_str());
    return true;
}

namespace {

// The path the file system resolves an existing file or folder to: links and
// junctions followed, long names, the letter case on disk; "" when it cannot
// be opened (the error is left in GetLastError).
std::u16string FinalPath(const std::u16string &path) {
    // No access asked, shared for everything: the look never blocks another
    // program; folders open with backup semantics.
    win::Handle h(::CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.Valid()) return {};
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(h.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(n + 1);
    }
    std::u16string out = WithoutTrailing(win::FromWin32Path(buffer));
    if (out.size() >= 2 && out[1] == u':' && out[0] >= u'a' && out[0] <= u'z')
        out[0] = static_cast<char16_t>(out[0] - u'a' + u'A');
    return out;
}

} // namespace

std::u16string ResolvePath(std::u16string_view path) {
    if (path.empty()) return {};
    // Absolute, "." and ".." applied to the text, as Windows itself does.
    const std::u16string full = WithoutTrailing(win::FromWin32Path(win::Win32Path(path)));
    std::u16string resolved = FinalPath(full);
    if (!resolved.empty()) return resolved;
    const DWORD err = ::GetLastError();
    if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) return {};
    // Missing: resolve the folder, then take the name as written.
    const size_t root = RootLength(full);
    const size_t cut = full.rfind(u'/');
    if (full.size() <= root || cut == std::u16string::npos || cut + 1 < root) return {};
    resolved = ResolvePath(full.substr(0, std::max(cut, root)));
    if (resolved.empty()) return {};
    if (resolved.back() != kSep) resolved.push_back(kSep);
    return resolved + full.substr(cut + 1);
}

uint64_t FreeSpace(std::u16string_view path) {
    std::u16string folder(path);
    if (folder.empty() || !IsSeparator(folder.back())) folder.push_back(u'/');
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(win::Win32Path(folder).c_str(), &available, nullptr, nullptr)) return UINT64_MAX;
    return available.QuadPart;
}

bool SyncFileSystem(std::u16string_view path) {
    // Flushing a whole volume needs administrator rights on Windows; the files
    // written through this layer are flushed one by one instead (Writer::Flush,
    // WriteAtomic), so what remains is to check that the path is there.
    if (::GetFileAttributesW(W(path).c_str()) == INVALID_FILE_ATTRIBUTES) return FailWindows();
    return true;
}

bool RemoveTree(std::u16string_view path) {
    const std::u16string trimmed = WithoutTrailing(path);
    if (trimmed.empty()) return Fail(kErrorInvalidParameter);
    // Refuse the root of a drive or share however it is spelt ("C:\", "C:/",
    // "\\?\C:\", "C:\x\..", "\\server\share\").
    if (IsRootPath(trimmed)) return Fail(kErrorInvalidParameter);
    // Windows drops dots and blanks at the end of a name, so "C:/Talvern/...."
    // would name C:/Talvern itself: such a name is refused, never resolved.
    if (HasStrippedName(trimmed)) return Fail(kErrorInvalidName);
    const std::wstring w = win::Win32Path(trimmed);
    const DWORD attr = ::GetFileAttributesW(w.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return FailWindows();
    if (attr & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(w.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!RetryDelete(w)) return false;
        return true;
    }
    if (attr & FILE_ATTRIBUTE_REPARSE_POINT) { // a junction or folder link: the link goes, not its target
        if (!::RemoveDirectoryW(w.c_str())) return FailWindows();
        return true;
    }
    uint32_t firstError = 0;
    bool ok = RemoveContents(w, firstError);
    // A scanner may still hold a file deleted a moment ago: "not empty" for a while.
    if (!Retrying([&] {
            if (::RemoveDirectoryW(w.c_str())) return true;
            if (::GetLastError() == ERROR_DIR_NOT_EMPTY) ::SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        })) {
        ok = false;
        if (!firstError) firstError = ::GetLastError();
    }
    if (!ok) return Fail(firstError ? firstError : kErrorAccessDenied);
    return true;
}

bool ListDirectory(std::u16string_view dir, std::vector<DirEntry> &entries) {
    entries.clear();
    if (dir.empty()) return Fail(kErrorPathNotFound);
    const std::wstring w = W(dir);
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW((w + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_DIRECTORY) return Fail(kErrorPathNotFound);
        return Fail(err);
    }
    do {
        const std::wstring_view n = data.cFileName;
        if (n == L"." || n == L"..") continue;
        DirEntry entry;
        entry.name = win::FromWide(n);
        entry.symlink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = entry.directory ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entry.writeTime = win::FileTimeValue(data.ftLastWriteTime);
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    SortEntries(entries);
    return true;
}

std::u16string TempDirectory() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
    std::u16string dir = n ? win::FromWin32Path(std::wstring_view(buffer, n)) : u"C:/Windows/Temp/";
    if (dir.back() != kSep) dir.push_back(kSep);
    return dir;
}

std::u16string MakeUniqueFolder(std::u16string_view parent, std::u16string_view prefix) {
    std::u16string base(parent);
    if (base.empty()) {
        SetLastError(kErrorPathNotFound);
        return {};
    }
    if (!IsSeparator(base.back())) base.push_back(kSep);
    std::u16string p(prefix);
    std::replace(p.begin(), p.end(), u'/', u'_');
    std::replace(p.begin(), p.end(), u'\\', u'_');
    static std::atomic<unsigned> counter{0};
    constexpr char16_t kChars[] = u"abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned v = static_cast<unsigned>(::GetTickCount64() * 2654435761u) ^ (::GetCurrentProcessId() << 8) ^
                     (counter.fetch_add(1) * 40503u);
        std::u16string name = base + p;
        for (int i = 0; i < 6; ++i, v /= 36) name.push_back(kChars[v % 36]);
        if (::CreateDirectoryW(win::Win32Path(name).c_str(), nullptr)) return name + kSep;
        const DWORD err = ::GetLastError();
        if (err != ERROR_ALREADY_EXISTS) {
            SetLastError(err == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(kErrorPathNotFound) : err);
            return {};
        }
    }
    SetLastError(kErrorAlreadyExists);
    return {};
}

uint64_t NowFileTime() {
    FILETIME t;
    ::GetSystemTimePreciseAsFileTime(&t);
    return win::FileTimeValue(t);
}

LocalTime NowLocal() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
}

// ---- Paths ----

std::u16string CurrentDirectory() {
    std::wstring buf(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(n + 1);
    }
    std::u16string dir = win::FromWin32Path(buf);
    if (dir.empty() || dir.back() != kSep) dir.push_back(kSep);
    return dir;
}

} // namespace vk::fs

// The ini cache's look at the file system over the wide Windows calls. A
// file's identity is its volume serial number and file index, so a file
// replaced by a rename is seen as changed even with the same size and time.
// Its canonical path is vk::fs::ResolvePath's (GetFinalPathNameByHandleW:
// links and junctions followed, long names, the letter case on disk); the
// cache key folds letter case on top, since one file answers to every
// spelling of its name.
#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini_disk.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::ini::detail {

namespace {
constexpr int64_t kEpochTicks = 116444736000000000LL; // 1601 -> 1970 in 100 ns

std::wstring W(const std::string &path) { return vk::win::Win32Path(vk::text::FromUtf8(path)); }
} // namespace

int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t RealNowNs() {
    FILETIME t;
    ::GetSystemTimePreciseAsFileTime(&t);
    return (static_cast<int64_t>(vk::win::FileTimeValue(t)) - kEpochTicks) * 100;
}

bool LookAt(const std::string &path, DiskState &state, bool &lookable) {
    state = DiskState{};
    lookable = true;
    // Attributes only, shared for everything, so a look never blocks another
    // program's save.
    vk::win::Handle h(::CreateFileW(W(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &info)) {
        const DWORD err = ::GetLastError();
        lookable = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME;
        return false;
    }
    FileStamp &s = state.stamp;
    s.exists = true;
    s.device = info.dwVolumeSerialNumber;
    s.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    s.mtimeNs = (static_cast<int64_t>(vk::win::FileTimeValue(info.ftLastWriteTime)) - kEpochTicks) * 100;
    state.regular = !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    state.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    return true;
}

bool ReadBytes(const std::string &path, std::string &out) {
    out.clear();
    vk::win::Handle h(::CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) return false;
    char buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr)) return false;
        if (n == 0) return true;
        out.append(buffer, n);
    }
}

namespace {

// Absolute, '/'-separated, the drive letter upper case, "." and ".."
// resolved, by the text alone.
std::u16string Lexical(std::u16string_view path) {
    std::u16string p(path);
    for (char16_t &c : p)
        if (c == u'\\') c = u'/';
    size_t root = vk::fs::RootLength(p);
    if (root == 0 || root == 2 || (root == 1 && p[0] == u'/' && (p.size() < 2 || p[1] != u'/'))) {
        // Relative, drive-relative ("C:x") or the current drive's root ("/x"):
        // Windows makes these absolute against the current folder.
        p = vk::win::FromWin32Path(vk::win::Win32Path(p));
        root = vk::fs::RootLength(p);
    }
    if (root >= 2 && p[1] == u':' && p[0] >= u'a' && p[0] <= u'z') p[0] = static_cast<char16_t>(p[0] - u'a' + u'A');
    std::u16string out = p.substr(0, root);
    if (!out.empty() && out.back() != u'/') out.push_back(u'/');
    std::vector<std::u16string> parts;
    size_t i = root;
    while (i <= p.size()) {
        const size_t j = std::min(p.find(u'/', i), p.size());
        const std::u16string part = p.substr(i, j - i);
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    for (size_t k = 0; k < parts.size(); ++k) out += (k ? u"/" : u"") + parts[k];
    return out;
}

} // namespace

std::string CanonicalPath(std::u16string_view path) {
    if (path.empty()) return {};
    const std::u16string lexical = Lexical(path);
    const std::u16string resolved = vk::fs::ResolvePath(lexical);
    return vk::text::ToUtf8(resolved.empty() ? lexical : resolved);
}

bool NamesOtherThanAFile(const std::string &path) {
    const DWORD attr = ::GetFileAttributesW(W(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
}

std::string KeyOf(const std::string &canonical) { return vk::text::ToUtf8(vk::text::Lower(vk::text::FromUtf8(canonical))); }

uint32_t WriteRefusal(const std::string & /*path*/, const std::string &folder, bool exists, unsigned mode) {
    // The read-only attribute is what Windows itself refuses; access control
    // lists show up when the flush fails.
    if (exists && (mode & 0222) == 0) return vk::fs::kErrorAccessDenied;
    std::string dir = folder;
    if (!dir.empty() && dir.back() == ':') dir.push_back('/');
    const DWORD attr = ::GetFileAttributesW(W(dir).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = ::GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? static_cast<DWORD>(vk::fs::kErrorPathNotFound) : err;
    }
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return vk::fs::kErrorPathNotFound;
    return 0;
}

} // namespace vk::ini::detail

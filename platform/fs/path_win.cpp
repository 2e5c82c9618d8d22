// Path roots and the conversion of paths into the form Windows calls take.
#include <vector>

#include "platform/fs/fs.h"
#include "platform/win/win32.h"

namespace vk::fs {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

namespace {
bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// End of the next path part starting at `i`, plus its separator.
size_t SkipPart(std::u16string_view path, size_t i) {
    while (i < path.size() && !IsSeparator(path[i])) ++i;
    return i < path.size() ? i + 1 : i;
}
} // namespace

size_t RootLength(std::u16string_view path) {
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':')
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\?\C:\..., \\?\UNC\server\share\..., \\.\device\..., //server/share/...
        if (path.size() >= 4 && (path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3])) {
            const std::u16string_view rest = path.substr(4);
            if (rest.size() >= 4 && (rest.substr(0, 3) == u"UNC" || rest.substr(0, 3) == u"unc") &&
                IsSeparator(rest[3]))
                return SkipPart(path, SkipPart(path, 8));
            return 4 + RootLength(rest);
        }
        return SkipPart(path, SkipPart(path, 2));
    }
    // "\x" is the root of the current drive.
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

std::u16string InternalPath(std::u16string_view path) {
    std::u16string p(path);
    for (char16_t &c : p)
        if (c == u'\\') c = u'/';
    return p;
}

} // namespace vk::fs

namespace vk::win {

namespace {
// A folder must leave room for an 8.3 name below it (MAX_PATH less 12), so
// paths longer than 247 characters take the \\?\ form.
constexpr size_t kClassicLimit = 247;
} // namespace

std::wstring Win32Path(std::u16string_view path) {
    std::wstring in = Wide(path);
    for (wchar_t &c : in)
        if (c == L'/') c = L'\\';
    if (in.rfind(L"\\\\?\\", 0) == 0) return in; // already in the form Windows takes as it is
    // GetFullPathNameW makes the path absolute and resolves "." and ".."; it is
    // a string operation without a length limit.
    std::vector<wchar_t> buffer(in.size() + MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return in;
        if (n < buffer.size()) {
            in.assign(buffer.data(), n);
            break;
        }
        buffer.resize(n + 1);
    }
    if (in.size() <= kClassicLimit) return in;
    if (in.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + in.substr(2);
    return L"\\\\?\\" + in;
}

std::u16string FromWin32Path(std::wstring_view path) {
    std::u16string out;
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        out = u"//";
        path.remove_prefix(8);
    } else if (path.rfind(L"\\\\?\\", 0) == 0) {
        path.remove_prefix(4);
    }
    out += FromWide(path);
    for (char16_t &c : out)
        if (c == u'\\') c = u'/';
    return out;
}

} // namespace vk::win

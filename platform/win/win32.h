// The one way the Windows side of the platform layer includes <windows.h>.
//
// Only *_win.cpp files include this header. <windows.h> defines function-like
// macros for the A/W pairs (CreateDirectory -> CreateDirectoryW, ...); several
// of them are names of this project's own functions, so they are undefined
// here and the Windows files call the W functions by their W names.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CopyFile
#undef CreateDialog
#undef CreateDirectory
#undef CreateWindow
#undef DeleteFile
#undef DialogBox
#undef DrawText
#undef GetCurrentDirectory
#undef GetMessage
#undef GetObject
#undef LoadImage
#undef LoadString
#undef MessageBox
#undef MoveFile
#undef PostMessage
#undef RemoveDirectory
#undef SendMessage

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::win {

// UTF-16 text is the same code units as Windows' wchar_t text.
inline std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string FromWide(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

// The path as Windows calls take it: made absolute, '/' turned into '\',
// "." and ".." resolved, and prefixed with \\?\ (or \\?\UNC\) when it is
// longer than 247 characters, where folders reach the classic limit (path_win.cpp).
std::wstring Win32Path(std::u16string_view path);
// A path that Windows gave: '\' turned into '/', a \\?\ prefix removed.
std::u16string FromWin32Path(std::wstring_view path);

// Windows file time as one number (100 ns since 1601-01-01 UTC).
inline uint64_t FileTimeValue(const FILETIME &t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
inline FILETIME ToFileTime(uint64_t v) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(v & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return t;
}

// Closes a handle at scope end.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE Get() const { return h_; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (Valid()) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

} // namespace vk::win

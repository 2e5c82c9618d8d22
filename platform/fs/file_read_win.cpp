// Random-access reading of a file over the wide Windows calls.
#include <algorithm>

#include "platform/fs/fs.h"
#include "platform/win/win32.h"

namespace vk::fs {

File::~File() {
    if (fd_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(fd_));
}

bool File::Open(std::u16string_view path) {
    HANDLE h = ::CreateFileW(win::Win32Path(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastError(::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h, &size)) {
        SetLastError(::GetLastError());
        ::CloseHandle(h);
        return false;
    }
    fd_ = reinterpret_cast<intptr_t>(h);
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool File::ReadAt(uint64_t off, size_t n, void *out) const {
    if (fd_ == -1 || off > size_ || n > size_ - off) return false;
    HANDLE h = reinterpret_cast<HANDLE>(fd_);
    size_t done = 0;
    while (done < n) {
        OVERLAPPED at{};
        const uint64_t pos = off + done;
        at.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(pos >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        if (!::ReadFile(h, static_cast<char *>(out) + done, want, &got, &at) || got == 0) return false;
        done += got;
    }
    return true;
}

} // namespace vk::fs

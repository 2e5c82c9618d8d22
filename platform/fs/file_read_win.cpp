// Reading a file over the wide Windows calls.
#include <algorithm>

#include "platform/fs/fs.h"
#include "platform/fs/offset_io.h"
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
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
        SetLastError(::GetLastError());
        ::CloseHandle(h);
        return false;
    }
    fd_ = reinterpret_cast<intptr_t>(h);
    size_ = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    permissions_ = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444u : 0644u;
    // File times count 100 ns from 1601-01-01; Unix seconds from 1970-01-01.
    const uint64_t written =
        (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    mtime_ = static_cast<int64_t>(written / 10000000u) - 11644473600ll;
    return true;
}

int64_t File::Read(void *out, size_t n) {
    if (fd_ == -1) return -1;
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    if (!::ReadFile(reinterpret_cast<HANDLE>(fd_), out, want, &got, nullptr)) {
        SetLastError(::GetLastError());
        return -1;
    }
    return static_cast<int64_t>(got);
}

namespace {

// Moves n bytes at off in pieces of at most 1 GiB (one ReadFile or
// WriteFile call takes a 32-bit count).
bool MoveAtOffset(intptr_t handle, uint64_t off, size_t n, char *bytes, bool write) {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    size_t done = 0;
    while (done < n) {
        OVERLAPPED at{};
        const uint64_t pos = off + done;
        at.Offset = static_cast<DWORD>(pos & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(pos >> 32);
        DWORD moved = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        const BOOL ok = write ? ::WriteFile(h, bytes + done, want, &moved, &at)
                              : ::ReadFile(h, bytes + done, want, &moved, &at);
        if (!ok || moved == 0) {
            if (write) SetLastError(ok ? static_cast<uint32_t>(kErrorDiskFull) : ::GetLastError());
            return false;
        }
        done += moved;
    }
    return true;
}

} // namespace

bool ReadAtOffset(intptr_t handle, uint64_t off, size_t n, void *out) {
    return MoveAtOffset(handle, off, n, static_cast<char *>(out), false);
}

bool WriteAtOffset(intptr_t handle, uint64_t off, size_t n, const void *data) {
    return MoveAtOffset(handle, off, n, const_cast<char *>(static_cast<const char *>(data)), true);
}

bool File::ReadAt(uint64_t off, size_t n, void *out) const {
    if (fd_ == -1 || off > size_ || n > size_ - off) return false;
    return ReadAtOffset(fd_, off, n, out);
}

} // namespace vk::fs

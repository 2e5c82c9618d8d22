// A nameless scratch file over the wide Windows calls: made with
// FILE_FLAG_DELETE_ON_CLOSE, so the system deletes it when its handle closes,
// also when the process is killed.
#include <atomic>
#include <string>

#include "platform/fs/fs.h"
#include "platform/fs/offset_io.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::fs {

ScratchFile::~ScratchFile() {
    if (fd_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(fd_));
}

bool ScratchFile::Open(std::u16string_view folder) {
    if (fd_ != -1) return true;
    static std::atomic<unsigned> counter{0};
    std::u16string base(folder);
    if (!base.empty() && base.back() != u'/' && base.back() != u'\\') base += u'/';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "vkscratch-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount64()) + "-" + std::to_string(counter++);
        HANDLE h = ::CreateFileW(win::Win32Path(base + vk::text::FromUtf8(name)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            fd_ = reinterpret_cast<intptr_t>(h);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    SetLastError(::GetLastError());
    return false;
}

bool ScratchFile::WriteAt(uint64_t off, const void *data, size_t n) {
    return fd_ != -1 && WriteAtOffset(fd_, off, n, data);
}

bool ScratchFile::ReadAt(uint64_t off, size_t n, void *out) const {
    return fd_ != -1 && ReadAtOffset(fd_, off, n, out);
}

} // namespace vk::fs

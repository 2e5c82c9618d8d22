// Flushing a file that was written by other means than Writer.
#include "platform/fs/fs.h"
#include "platform/win/win32.h"

namespace vk::fs {

bool SyncFile(std::u16string_view path) {
    if (path.empty()) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    if (InjectedFault(Op::Flush)) return false;
    const std::wstring w = win::Win32Path(path);
    const DWORD attr = ::GetFileAttributesW(w.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return true; // nothing to flush
    // FlushFileBuffers needs write access to the file.
    win::Handle h(::CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.Valid() || !::FlushFileBuffers(h.Get())) {
        SetLastError(::GetLastError());
        return false;
    }
    return true;
}

} // namespace vk::fs

#include "platform/fs/retry_win.h"

#include "platform/fs/fs.h"

namespace vk::fs {

bool IsTransientError(DWORD error) {
    // ERROR_ACCESS_DENIED is also the answer for a read-only target; callers
    // refuse those up front, so here it means a file still being closed.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

bool RetryRename(const std::wstring &from, const std::wstring &to, DWORD flags) {
    const bool ok = Retrying([&] {
        if (InjectedFault(Op::Rename)) {
            ::SetLastError(LastError());
            return false;
        }
        return ::MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
    });
    if (!ok) SetLastError(::GetLastError());
    return ok;
}

bool RetryDelete(const std::wstring &path) {
    const bool ok = Retrying([&] { return ::DeleteFileW(path.c_str()) != 0; });
    if (!ok) SetLastError(::GetLastError());
    return ok;
}

} // namespace vk::fs

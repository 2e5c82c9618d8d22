// Retrying Windows file operations that another program's open handle blocks
// for a moment (virus scanners, indexers and sync clients open new files
// shortly after they appear).
#pragma once

#include <string>

#include "platform/win/win32.h"

namespace vk::fs {

// True for the errors a short wait can cure.
bool IsTransientError(DWORD error);
// Runs `attempt` up to 10 times, waiting 25 ms × the attempt number between
// tries while it fails with a transient error. Returns its last result; the
// Windows last error is that of the last try.
template <class Attempt> bool Retrying(Attempt attempt) {
    for (int i = 1;; ++i) {
        if (attempt()) return true;
        const DWORD error = ::GetLastError();
        if (i >= 10 || !IsTransientError(error)) return false;
        ::Sleep(static_cast<DWORD>(25 * i));
        ::SetLastError(error);
    }
}
// MoveFileExW in the retry loop; each try is a Rename fault point, so a test
// can make the first tries fail with a sharing violation. On failure
// LastError() holds the Windows code.
bool RetryRename(const std::wstring &from, const std::wstring &to, DWORD flags);
// DeleteFileW in the retry loop (LastError() set on failure).
bool RetryDelete(const std::wstring &path);

} // namespace vk::fs

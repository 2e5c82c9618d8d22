// Processes for run tags over OpenProcess: a process that ended counts as
// gone even while a handle keeps its id from being reused, and its creation
// time tells a reused id from the old run.
#include "platform/fs/runs.h"
#include "platform/win/win32.h"

namespace vk::fs::runs {

long CurrentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool ProcessExists(long pid) {
    win::Handle h(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
    if (!h.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER; // else there but not ours to look at
    DWORD code = 0;
    return !::GetExitCodeProcess(h.Get(), &code) || code == STILL_ACTIVE;
}

unsigned long long ProcessStartTime(long pid) {
    win::Handle h(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
    if (!h.Valid()) return 0;
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(h.Get(), &created, &exited, &kernel, &user)) return 0;
    return win::FileTimeValue(created);
}

} // namespace vk::fs::runs

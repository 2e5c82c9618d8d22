// The folder lock over a named mutex.
//
// Windows cannot lock a folder itself (LockFileEx takes only files), and a
// lock file inside the folder would be a stray file in the installation's
// own folders, copied by backups. A named mutex is shared by every process
// of the machine that opens the same name, is released by the system when
// its holder dies (the next waiter gets WAIT_ABANDONED and goes on: the
// replacement is atomic, so there is nothing half-written to repair), and
// works the same under Wine, whose server keeps the names. The name is a hash
// of the folder's cache key (canonical path, letters folded), so every
// spelling of one folder meets one mutex.
#include <cstdio>

#include "platform/ini/ini_disk.h"
#include "platform/ini/ini_lock.h"
#include "platform/win/win32.h"

#include <sddl.h>

namespace vk::ini::detail {

namespace {

// Longer than any flush takes; a holder that keeps the lock this long is stuck.
constexpr DWORD kWaitLimitMs = 10'000;

uint64_t Fnv1a(const std::string &text) {
    uint64_t h = 14695981039346656037ULL;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

// The machine-wide name first, so that a service and a desktop session
// serialise too; any process may wait on it and release it (Everyone:
// SYNCHRONIZE | MUTEX_MODIFY_STATE), whoever made it first. The session's
// name when the machine-wide one cannot be had.
HANDLE OpenFolderMutex(const std::string &folder) {
    wchar_t hash[17];
    std::swprintf(hash, 17, L"%016llx", static_cast<unsigned long long>(Fnv1a(KeyOf(folder))));
    const std::wstring name = std::wstring(L"vaultkeep.ini-folder.") + hash;
    PSECURITY_DESCRIPTOR sd = nullptr;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1, &sd, nullptr))
        sa.lpSecurityDescriptor = sd;
    HANDLE h = ::CreateMutexW(sd ? &sa : nullptr, FALSE, (L"Global\\" + name).c_str());
    if (!h) h = ::CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (sd) ::LocalFree(sd);
    return h;
}

} // namespace

FolderLock::FolderLock(const std::string &folder) {
    HANDLE h = OpenFolderMutex(folder);
    if (!h) {
        held_ = true; // nothing to lock on: go on without
        return;
    }
    const DWORD waited = ::WaitForSingleObject(h, kWaitLimitMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        handle_ = reinterpret_cast<intptr_t>(h); // owned until the destructor
        held_ = true;
        return;
    }
    ::CloseHandle(h);
    held_ = waited != WAIT_TIMEOUT; // a failed wait: go on without, as above
}

FolderLock::~FolderLock() {
    if (handle_ == -1) return;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    ::ReleaseMutex(h);
    ::CloseHandle(h);
}

} // namespace vk::ini::detail

// The lock that keeps two processes from replacing one settings file at the
// same time: a lock on the folder that holds the file, taken for the few
// milliseconds of one flush (read, apply, write, rename). On Linux an
// advisory lock on the folder itself (ini_lock_posix.cpp); on Windows a named
// mutex derived from the folder's canonical path (ini_lock_win.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace vk::ini::detail {

class FolderLock {
public:
    // Waits for the lock (at most a few seconds). A folder that cannot be
    // opened for locking is used without the lock. `folder` is canonical (see
    // ini_disk.h).
    explicit FolderLock(const std::string &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    // False when another process held the lock for the whole wait.
    bool Held() const { return held_; }

private:
    intptr_t handle_ = -1; // a file descriptor, or a Windows mutex handle
    bool held_ = false;
};

} // namespace vk::ini::detail

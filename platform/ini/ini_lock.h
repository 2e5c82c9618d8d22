// The lock that keeps two processes from replacing one settings file at the
// same time: an advisory lock on the folder that holds the file, taken for
// the few milliseconds of one flush (read, apply, write, rename).
#pragma once

#include <string>

namespace vk::ini::detail {

class FolderLock {
public:
    // Waits for the lock (at most a few seconds). A folder that cannot be
    // opened for locking is used without the lock.
    explicit FolderLock(const std::string &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    // False when another process held the lock for the whole wait.
    bool Held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

} // namespace vk::ini::detail

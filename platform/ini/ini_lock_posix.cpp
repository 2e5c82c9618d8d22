#include "platform/ini/ini_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace vk::ini::detail {

namespace {

// Longer than any flush takes; a holder that keeps the lock this long is stuck.
constexpr auto kWaitLimit = std::chrono::seconds(10);

} // namespace

FolderLock::FolderLock(const std::string &folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    handle_ = fd;
    if (fd < 0) {
        held_ = true; // nothing to lock on: go on without
        return;
    }
    const auto until = std::chrono::steady_clock::now() + kWaitLimit;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            held_ = true; // a file system without locks
            return;
        }
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(10)) pause *= 2;
    }
}

FolderLock::~FolderLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_)); // closing releases the lock
}

} // namespace vk::ini::detail

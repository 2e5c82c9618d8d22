// Reading a file, and moving bytes at offsets, over POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/fs.h"
#include "platform/fs/offset_io.h"
#include "platform/text/text.h"

namespace vk::fs {

File::~File() {
    if (fd_ >= 0) ::close(static_cast<int>(fd_));
}

bool File::Open(std::u16string_view path) {
    const int fd = ::open(vk::text::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); // a FIFO cannot hold it up
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        SetLastError(kErrorAccessDenied);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<uint64_t>(st.st_size);
    permissions_ = static_cast<uint32_t>(st.st_mode) & 07777u;
    mtime_ = static_cast<int64_t>(st.st_mtime);
    return true;
}

int64_t File::Read(void *out, size_t n) {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t r = ::read(static_cast<int>(fd_), out, n);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) SetLastError(ErrorFromErrno(errno));
        return static_cast<int64_t>(r);
    }
}

bool ReadAtOffset(intptr_t handle, uint64_t off, size_t n, void *out) {
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(static_cast<int>(handle), static_cast<char *>(out) + done, n - done,
                                  static_cast<off_t>(off + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

bool WriteAtOffset(intptr_t handle, uint64_t off, size_t n, const void *data) {
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(static_cast<int>(handle), static_cast<const char *>(data) + done, n - done,
                                   static_cast<off_t>(off + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            SetLastError(w < 0 ? ErrorFromErrno(errno) : kErrorDiskFull);
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

bool File::ReadAt(uint64_t off, size_t n, void *out) const {
    if (fd_ < 0 || off > size_ || n > size_ - off) return false;
    return ReadAtOffset(fd_, off, n, out);
}

} // namespace vk::fs

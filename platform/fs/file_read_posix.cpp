// Random-access reading of a file over POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {

File::~File() {
    if (fd_ >= 0) ::close(static_cast<int>(fd_));
}

bool File::Open(std::u16string_view path) {
    const int fd = ::open(vk::text::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
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
    return true;
}

bool File::ReadAt(uint64_t off, size_t n, void *out) const {
    if (fd_ < 0 || off > size_ || n > size_ - off) return false;
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(static_cast<int>(fd_), static_cast<char *>(out) + done, n - done,
                                  static_cast<off_t>(off + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

} // namespace vk::fs

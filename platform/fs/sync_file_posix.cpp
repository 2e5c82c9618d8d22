// Flushing a file that was written by other means than Writer.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {

bool SyncFile(std::u16string_view path) {
    if (path.empty()) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    if (InjectedFault(Op::Flush)) return false;
    const int fd = ::open(vk::text::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok) {
        SetLastError(ErrorFromErrno(err));
        return false;
    }
    return true;
}

} // namespace vk::fs

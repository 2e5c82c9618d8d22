// A nameless scratch file over POSIX: made with mkstemp and unlinked at once,
// so it lives only as long as its descriptor.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fs/fs.h"
#include "platform/fs/offset_io.h"
#include "platform/text/text.h"

namespace vk::fs {

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) ::close(static_cast<int>(fd_));
}

bool ScratchFile::Open(std::u16string_view folder) {
    if (fd_ >= 0) return true;
    std::string pattern = vk::text::NativePath(folder);
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += "vkscratch-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    ::unlink(pattern.c_str());
    fd_ = fd;
    return true;
}

bool ScratchFile::WriteAt(uint64_t off, const void *data, size_t n) {
    return fd_ >= 0 && WriteAtOffset(fd_, off, n, data);
}

bool ScratchFile::ReadAt(uint64_t off, size_t n, void *out) const {
    return fd_ >= 0 && ReadAtOffset(fd_, off, n, out);
}

} // namespace vk::fs

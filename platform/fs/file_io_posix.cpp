// Whole-file reads, atomic replacement and streamed writing over POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {

uint32_t ErrorFromErrno(int err) {
    switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kErrorDiskFull;
    case EEXIST: return kErrorFileExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ELOOP: return kErrorInvalidName;
    case EMFILE:
    case ENFILE: return 4;  // too many open files
    case ENOMEM: return 8;  // not enough memory
    default: return 31;     // general failure
    }
}

// ---- Whole files ----

namespace {

bool FailWith(uint32_t code) {
    SetLastError(code);
    return false;
}

bool FailErrno(int err) { return FailWith(ErrorFromErrno(err)); }

// A missing folder on the way is "path not found", as the callers expect.
uint32_t OpenError(int err) { return err == ENOTDIR ? kErrorPathNotFound : ErrorFromErrno(err); }

bool WriteAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailErrno(errno);
        }
        if (n == 0) return FailWith(kErrorDiskFull);
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string &path) {
    const size_t cut = path.rfind('/');
    if (cut == std::string::npos) return ".";
    if (cut == 0) return "/";
    return path.substr(0, cut);
}

std::string NameOf(const std::string &path) {
    const size_t cut = path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Temporary files of WriteAtomic: ".<name>.<pid>.<n>.vktmp" beside the target.
// A process killed between creating and renaming one leaves it behind; the
// next replacement of the same file removes those of processes that are gone.
std::string TempPrefix(const std::string &name) { return "." + name + "."; }
constexpr const char *kTempSuffix = ".vktmp";

void RemoveStaleTemps(const std::string &folder, const std::string &name) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = TempPrefix(name);
    const std::string suffix = kTempSuffix;
    while (const struct dirent *e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry.size() <= prefix.size() + suffix.size() || entry.compare(0, prefix.size(), prefix) != 0 ||
            entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string middle = entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
        const long pid = std::strtol(middle.c_str(), nullptr, 10);
        if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), entry.c_str(), 0);
    }
    ::closedir(dir);
}

} // namespace

bool ReadWhole(std::u16string_view path, std::string &out) {
    out.clear();
    if (path.empty()) return FailWith(kErrorFileNotFound);
    if (InjectedFault(Op::Open)) return false;
    const std::string native = vk::text::NativePath(path);
    // Only regular files are read: without O_NONBLOCK the open of a pipe
    // would wait for a writer that may never come.
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FailWith(OpenError(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return FailErrno(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return FailWith(kErrorAccessDenied);
    }
    out.reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            out.clear();
            return FailErrno(err);
        }
        if (n == 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    SetLastError(kErrorSuccess);
    return true;
}

bool WriteAtomic(std::u16string_view path, std::string_view data, bool durable) {
    if (path.empty()) return FailWith(kErrorFileNotFound);
    std::string target = vk::text::NativePath(path);

    // Replace the file a symbolic link points at, not the link.
    mode_t mode = 0666;
    bool existed = false;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved)) target = resolved;
    }
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return FailWith(kErrorAccessDenied);
        // A read-only file stays as it is, even for a user who could replace it.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return FailWith(kErrorAccessDenied);
        mode = st.st_mode & 07777;
        existed = true;
    } else if (errno == ENOTDIR) {
        return FailWith(kErrorPathNotFound);
    }

    const std::string folder = FolderOf(target);
    const std::string name = NameOf(target);
    RemoveStaleTemps(folder, name);

    static std::atomic<unsigned> counter{0};
    if (InjectedFault(Op::Open)) return false;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/" + TempPrefix(name) + std::to_string(::getpid()) + "." +
               std::to_string(counter.fetch_add(1)) + kTempSuffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int err = errno;
        return FailWith(err == ENOENT ? kErrorPathNotFound : OpenError(err));
    }

    auto abandon = [&](bool closeFirst) {
        const uint32_t code = LastError();
        if (closeFirst) ::close(fd);
        ::unlink(temp.c_str());
        return FailWith(code);
    };

    // The new file keeps the old one's permissions (a new one: 0666 less the umask).
    if (existed) ::fchmod(fd, mode);

    // One write point per chunk, at least one (also for empty content).
    constexpr size_t kChunk = 1 << 20;
    size_t done = 0;
    do {
        const size_t n = std::min(kChunk, data.size() - done);
        if (InjectedFault(Op::Write)) return abandon(true);
        if (!WriteAll(fd, data.data() + done, n)) return abandon(true);
        done += n;
    } while (done < data.size());
    if (durable) {
        if (InjectedFault(Op::Flush)) return abandon(true);
        if (::fsync(fd) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return abandon(true);
        }
    }
    if (::close(fd) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return abandon(false);
    }
    if (InjectedFault(Op::Rename)) return abandon(false);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return abandon(false);
    }
    // Make the rename itself durable.
    const int dirFd = durable ? ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    SetLastError(kErrorSuccess);
    return true;
}

// ---- Writer ----

Writer::~Writer() {
    if (fd_ >= 0) ::close(fd_);
}

bool Writer::Open(std::u16string_view path, bool truncate, unsigned mode) {
    if (fd_ >= 0) Close();
    if (path.empty()) return FailWith(kErrorPathNotFound);
    if (InjectedFault(Op::Open)) return false;
    const std::string native = vk::text::NativePath(path);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_EXCL);
    const int fd = ::open(native.c_str(), flags, static_cast<mode_t>(mode));
    if (fd < 0) {
        const int err = errno;
        // A missing folder on the way: "path not found" rather than "file not found".
        return FailWith(err == ENOENT ? kErrorPathNotFound : OpenError(err));
    }
    fd_ = fd;
    return true;
}

bool Writer::Write(const void *data, size_t size) {
    if (fd_ < 0) return FailWith(kErrorInvalidParameter);
    if (InjectedFault(Op::Write)) return false;
    return WriteAll(fd_, static_cast<const char *>(data), size);
}

bool Writer::Flush() {
    if (fd_ < 0) return FailWith(kErrorInvalidParameter);
    if (InjectedFault(Op::Flush)) return false;
    if (::fsync(fd_) != 0) return FailErrno(errno);
    return true;
}

bool Writer::Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return FailErrno(errno);
    return true;
}

} // namespace vk::fs

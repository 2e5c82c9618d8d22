// Attributes, folders, copies and path helpers over POSIX.
//
// Failures set LastError() to the Windows-style code the callers expect.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::fs {

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

uint64_t FileTimeFrom(const struct timespec &ts) {
    const int64_t ticks = (static_cast<int64_t>(ts.tv_sec) + kEpochDelta) * kTicksPerSecond + ts.tv_nsec / 100;
    return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

struct timespec TimespecFrom(uint64_t fileTime) {
    struct timespec ts {};
    const int64_t secs = static_cast<int64_t>(fileTime / kTicksPerSecond) - kEpochDelta;
    ts.tv_sec = static_cast<time_t>(secs);
    ts.tv_nsec = static_cast<long>((fileTime % kTicksPerSecond) * 100);
    return ts;
}

std::string Native(std::u16string_view path) { return vk::text::ToUtf8(path); }

// Without trailing separators (but "/" stays "/"), so that lstat looks at a
// symlink itself rather than through it.
std::string NativeNoTrailing(std::u16string_view path) {
    std::string p = Native(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

bool FailErrno(int err) { return Fail(ErrorFromErrno(err)); }

bool ModeReadOnly(const struct stat &st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

void FillInfo(const struct stat &st, FileInfo &info) {
    info.exists = true;
    info.directory = S_ISDIR(st.st_mode);
    info.readOnly = ModeReadOnly(st);
    info.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    info.writeTime = FileTimeFrom(st.st_mtim);
    info.inode = static_cast<uint64_t>(st.st_ino);
    info.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// A read-only file is protected the way the system expects: it is neither
// replaced nor deleted (kErrorAccessDenied), although POSIX would allow both.
bool IsProtectedFile(const std::string &native) {
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode) && ModeReadOnly(st);
}

// Removes everything below the open folder `dirFd` (which it closes), then
// nothing else: symlinks are unlinked, never followed.
bool RemoveContents(int dirFd, uint32_t &firstError) {
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        if (!firstError) firstError = ErrorFromErrno(errno);
        return false;
    }
    bool ok = true;
    std::vector<std::string> names;
    while (struct dirent *e = ::readdir(dir)) {
        const std::string_view n = e->d_name;
        if (n == "." || n == "..") continue;
        names.emplace_back(n);
    }
    const int fd = ::dirfd(dir);
    for (const std::string &n : names) {
        struct stat st {};
        if (::fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue;
            ok = false;
            if (!firstError) firstError = ErrorFromErrno(errno);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                ok = false;
                if (!firstError) firstError = ErrorFromErrno(errno);
                continue;
            }
            if (!RemoveContents(sub, firstError)) ok = false;
            if (::unlinkat(fd, n.c_str(), AT_REMOVEDIR) != 0) {
                ok = false;
                if (!firstError) firstError = ErrorFromErrno(errno);
            }
        } else if (::unlinkat(fd, n.c_str(), 0) != 0 && errno != ENOENT) {
            ok = false;
            if (!firstError) firstError = ErrorFromErrno(errno);
        }
    }
    ::closedir(dir);
    return ok;
}

std::atomic<unsigned> g_copyCounter{0};

} // namespace

// A name for a temporary file next to `to` that does not exist yet.
std::u16string TempNameBeside(std::u16string_view to) {
    const std::u16string folder = ParentFolder(to);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned n = g_copyCounter.fetch_add(1);
        const std::string name = ".vkcopy." + vk::text::ToUtf8(RunTag()) + "." + std::to_string(n) + "." +
                                 std::to_string(static_cast<unsigned>(std::rand() & 0xFFFF)) + ".tmp";
        std::u16string candidate = folder + vk::text::FromUtf8(name);
        struct stat st {};
        if (::lstat(Native(candidate).c_str(), &st) != 0 && errno == ENOENT) return candidate;
    }
    return {};
}


// ---- Attributes ----

bool Stat(std::u16string_view path, FileInfo &info) {
    info = FileInfo{};
    if (path.empty()) return Fail(kErrorPathNotFound);
    const std::string native = NativeNoTrailing(path);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) return FailErrno(errno);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(native.c_str(), &target) == 0) {
            FillInfo(target, info);
        } else {
            FillInfo(st, info); // a dangling link still occupies its name
            info.directory = false;
        }
        info.symlink = true;
    } else {
        FillInfo(st, info);
    }
    // A trailing separator names a folder: "file/" does not exist.
    if (!path.empty() && path.back() == kSep && !info.directory && native != "/") {
        info = FileInfo{};
        return Fail(kErrorPathNotFound);
    }
    return true;
}

bool SetWriteTime(std::u16string_view path, uint64_t fileTime) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = TimespecFrom(fileTime);
    if (::utimensat(AT_FDCWD, Native(path).c_str(), times, 0) != 0) return FailErrno(errno);
    return true;
}

bool SetReadOnly(std::u16string_view path, bool readOnly) {
    const std::string native = Native(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0) return FailErrno(errno);
    mode_t mode = st.st_mode & 07777;
    if (readOnly) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (::chmod(native.c_str(), mode) != 0) return FailErrno(errno);
    return true;
}

bool SetPermissions(std::u16string_view path, uint32_t mode) {
    if (::chmod(Native(path).c_str(), static_cast<mode_t>(mode & 07777)) != 0) return FailErrno(errno);
    return true;
}

// ---- Folders and files ----

bool CreateDirectory(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorPathNotFound);
    if (::mkdir(Native(path).c_str(), 0777) != 0) {
        switch (errno) {
        case EEXIST: return Fail(kErrorAlreadyExists);
        case ENOENT:
        case ENOTDIR: return Fail(kErrorPathNotFound);
        default: return FailErrno(errno);
        }
    }
    return true;
}

bool RemoveDirectory(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorPathNotFound);
    if (::rmdir(NativeNoTrailing(path).c_str()) != 0) {
        switch (errno) {
        case ENOTEMPTY:
        case EEXIST: return Fail(kErrorDirNotEmpty);
        default: return FailErrno(errno);
        }
    }
    return true;
}

bool DeleteFile(std::u16string_view path) {
    if (path.empty()) return Fail(kErrorFileNotFound);
    const std::string native = Native(path);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) return FailErrno(errno);
    if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied);
    if (S_ISREG(st.st_mode) && ModeReadOnly(st)) return Fail(kErrorAccessDenied);
    if (::unlink(native.c_str()) != 0) return FailErrno(errno);
    // Pending ini writes must not bring the file back.
    vk::ini::Forget(std::u16string(path).c_str());
    return true;
}

bool MoveFile(std::u16string_view from, std::u16string_view to) {
    if (from.empty() || to.empty()) return Fail(kErrorPathNotFound);
    const std::string src = NativeNoTrailing(from);
    const std::string dst = NativeNoTrailing(to);
    if (IsProtectedFile(dst) && src != dst) return Fail(kErrorAccessDenied);
    if (!vk::ini::FlushBeforeFileRead(from)) {
        const uint32_t e = LastError();
        return Fail(e ? e : kErrorAccessDenied);
    }
    if (InjectedFault(Op::Rename)) return false;
    if (::rename(src.c_str(), dst.c_str()) == 0) {
        vk::ini::Forget(std::u16string(from).c_str());
        vk::ini::Forget(std::u16string(to).c_str());
        return true;
    }
    const int err = errno;
    if (err != EXDEV) {
        if (err == EEXIST || err == ENOTEMPTY) return Fail(kErrorAlreadyExists);
        return FailErrno(err);
    }
    // Another file system: copy, then remove the original (files only).
    if (IsDirectory(from)) return FailErrno(EXDEV);
    if (!CopyFile(from, to, false)) return false;
    struct stat st {};
    if (::lstat(src.c_str(), &st) == 0 && ::unlink(src.c_str()) != 0) return FailErrno(errno);
    vk::ini::Forget(std::u16string(from).c_str());
    return true;
}

bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists, CopyMode mode) {
    if (from.empty() || to.empty()) return Fail(kErrorPathNotFound);
    // Pending ini writes of the source must be in the copy; a copy without
    // them would pass an old file off as the current one.
    if (!vk::ini::FlushBeforeFileRead(from)) {
        const uint32_t e = LastError();
        return Fail(e ? e : kErrorAccessDenied);
    }

    const std::string src = Native(from);
    const std::string dst = Native(to);
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return FailErrno(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closeIn{in};
    struct stat st {};
    if (::fstat(in, &st) != 0) return FailErrno(errno);
    if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied);

    // The destination as it lies in its folder: a symbolic link there is
    // replaced by the copy like a file, never written through, so a copy
    // cannot reach the file the link points at.
    struct stat dstSt {};
    if (::lstat(dst.c_str(), &dstSt) == 0) {
        if (failIfExists) return Fail(kErrorFileExists);
        if (!S_ISLNK(dstSt.st_mode)) {
            if (S_ISDIR(dstSt.st_mode)) return Fail(kErrorAccessDenied);
            if (dstSt.st_dev == st.st_dev && dstSt.st_ino == st.st_ino) return Fail(kErrorSharingViolation);
            if (ModeReadOnly(dstSt)) return Fail(kErrorAccessDenied);
        }
    } else if (errno == ENOTDIR) {
        return Fail(kErrorPathNotFound);
    }

    const std::u16string temp = TempNameBeside(to);
    if (temp.empty()) return Fail(kErrorAccessDenied);
    const std::string tempNative = Native(temp);
    {
        // Private until it is complete: the source's permissions come last.
        Writer out;
        if (!out.Open(temp, false, 0600)) {
            const uint32_t e = LastError();
            return Fail(e == kErrorFileNotFound ? kErrorPathNotFound : e);
        }
        auto abandon = [&](uint32_t code) {
            out.Close();
            ::unlink(tempNative.c_str());
            return Fail(code);
        };
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                return abandon(ErrorFromErrno(errno));
            }
            if (n == 0) break;
            if (!out.Write(buffer.data(), static_cast<size_t>(n))) return abandon(LastError());
        }
        if (mode == CopyMode::Durable && !out.Flush()) return abandon(LastError());
        if (!out.Close()) return abandon(LastError());

        // Same permissions as the source (a read-only file stays read-only), and
        // the source's write time: the version policy compares write times.
        ::chmod(tempNative.c_str(), st.st_mode & 0777);
        struct timespec times[2];
        times[0] = st.st_atim;
        times[1] = st.st_mtim;
        ::utimensat(AT_FDCWD, tempNative.c_str(), times, 0);
    }

    if (InjectedFault(Op::Rename)) {
        const uint32_t e = LastError();
        ::unlink(tempNative.c_str());
        return Fail(e);
    }
    if (failIfExists) {
        // Do not replace a file that appeared during the copy.
        if (::link(tempNative.c_str(), dst.c_str()) == 0) {
            ::unlink(tempNative.c_str());
        } else {
            const int err = errno;
            // File systems without hard links: test, then rename.
            const bool noLinks = err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK;
            struct stat now {};
            if (err == EEXIST || (noLinks && ::lstat(dst.c_str(), &now) == 0)) {
                ::unlink(tempNative.c_str());
                return Fail(kErrorFileExists);
            }
            if (!noLinks || ::rename(tempNative.c_str(), dst.c_str()) != 0) {
                const int failure = noLinks ? errno : err;
                ::unlink(tempNative.c_str());
                return FailErrno(failure);
            }
        }
    } else if (::rename(tempNative.c_str(), dst.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempNative.c_str());
        return FailErrno(err);
    }
    vk::ini::Forget(std::u16string(to).c_str());
    return true;
}

std::u16string ResolvePath(std::u16string_view path) {
    const std::string native = NativeNoTrailing(path);
    if (native.empty()) return {};
    if (char *real = ::realpath(native.c_str(), nullptr)) {
        std::u16string resolved = vk::text::FromUtf8(real);
        std::free(real);
        return resolved;
    }
    if (errno != ENOENT && errno != ENOTDIR) return {};
    // Missing: resolve the folder, then take the name as written (a missing
    // part holds no link; "." and ".." after it are applied to the text).
    const size_t cut = native.rfind('/');
    if (cut == std::string::npos) return {};
    std::u16string resolved = cut == 0 ? u"/" : ResolvePath(vk::text::FromUtf8(native.substr(0, cut)));
    if (resolved.empty()) return {};
    const std::string name = native.substr(cut + 1);
    if (name.empty() || name == ".") return resolved;
    if (name == "..") {
        const size_t up = resolved.rfind(kSep);
        return up == 0 || up == std::u16string::npos ? u"/" : resolved.substr(0, up);
    }
    if (resolved.back() != kSep) resolved.push_back(kSep);
    return resolved + vk::text::FromUtf8(name);
}

uint64_t FreeSpace(std::u16string_view path) {
    struct statvfs st {};
    if (::statvfs(Native(path).c_str(), &st) != 0) return UINT64_MAX;
    const uint64_t blocks = static_cast<uint64_t>(st.f_bavail);
    const uint64_t size = static_cast<uint64_t>(st.f_frsize);
    return size != 0 && blocks > UINT64_MAX / size ? UINT64_MAX : blocks * size;
}

bool SyncFileSystem(std::u16string_view path) {
    const int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FailErrno(errno);
    const bool ok = ::syncfs(fd) == 0;
    const int err = errno;
    ::close(fd);
    return ok || FailErrno(err);
}

bool RemoveTree(std::u16string_view path) {
    std::string native = NativeNoTrailing(path);
    if (native.empty()) return Fail(kErrorInvalidParameter);
    // Refuse the root however it is spelt ("/", "//", "/tmp/..").
    if (native.find_first_not_of('/') == std::string::npos) return Fail(kErrorInvalidParameter);
    if (char *real = ::realpath(native.c_str(), nullptr)) {
        const bool root = std::string_view(real) == "/";
        std::free(real);
        if (root) return Fail(kErrorInvalidParameter);
    }
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) return FailErrno(errno);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(native.c_str()) != 0) return FailErrno(errno);
        return true;
    }
    const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return FailErrno(errno);
    uint32_t firstError = 0;
    bool ok = RemoveContents(fd, firstError);
    if (::rmdir(native.c_str()) != 0) {
        ok = false;
        if (!firstError) firstError = ErrorFromErrno(errno);
    }
    if (!ok) return Fail(firstError ? firstError : kErrorAccessDenied);
    return true;
}

bool ListDirectory(std::u16string_view dir, std::vector<DirEntry> &entries) {
    entries.clear();
    std::string native = Native(dir);
    if (native.empty()) return Fail(kErrorPathNotFound);
    DIR *d = ::opendir(native.c_str());
    if (!d) {
        if (errno == ENOENT || errno == ENOTDIR) return Fail(kErrorPathNotFound);
        return FailErrno(errno);
    }
    const int fd = ::dirfd(d);
    while (struct dirent *e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue; // vanished
        DirEntry entry;
        entry.name = vk::text::FromUtf8(n);
        entry.symlink = S_ISLNK(st.st_mode);
        if (entry.symlink) {
            struct stat target {};
            if (::fstatat(fd, e->d_name, &target, 0) == 0) st = target;
        }
        entry.directory = S_ISDIR(st.st_mode);
        entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
        entry.writeTime = FileTimeFrom(st.st_mtim);
        entries.push_back(std::move(entry));
    }
    ::closedir(d);
    SortEntries(entries);
    return true;
}

std::u16string TempDirectory() {
    const char *tmp = std::getenv("TMPDIR");
    std::string dir = (tmp && *tmp) ? tmp : "/tmp";
    if (dir.back() != '/') dir.push_back('/');
    return vk::text::FromUtf8(dir);
}

std::u16string MakeUniqueFolder(std::u16string_view parent, std::u16string_view prefix) {
    std::string templ = Native(parent);
    if (templ.empty()) {
        SetLastError(kErrorPathNotFound);
        return {};
    }
    if (templ.back() != '/') templ.push_back('/');
    std::string p = Native(prefix);
    std::replace(p.begin(), p.end(), '/', '_');
    templ += p + "XXXXXX";
    if (!::mkdtemp(templ.data())) { // mkdtemp creates the folder with mode 0700
        SetLastError(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : ErrorFromErrno(errno));
        return {};
    }
    templ.push_back('/');
    return vk::text::FromUtf8(templ);
}

uint64_t NowFileTime() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeFrom(ts);
}

LocalTime NowLocal() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm {};
    ::localtime_r(&ts.tv_sec, &tm);
    LocalTime t{};
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    t.weekday = tm.tm_wday;
    return t;
}

// ---- Paths ----

std::u16string CurrentDirectory() {
    std::string buf(4096, '\0');
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE || buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    if (buf.empty() || buf.back() != '/') buf.push_back('/');
    return vk::text::FromUtf8(buf);
}

} // namespace vk::fs

// The ini cache's look at the file system over POSIX.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini_disk.h"
#include "platform/text/text.h"

namespace vk::ini::detail {

int64_t MonotonicNs() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int64_t RealNowNs() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool LookAt(const std::string &path, DiskState &state, bool &lookable) {
    state = DiskState{};
    lookable = true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        lookable = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    FileStamp &s = state.stamp;
    s.exists = true;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<int64_t>(st.st_size);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    state.regular = S_ISREG(st.st_mode);
    state.mode = st.st_mode & 07777;
    return true;
}

bool ReadBytes(const std::string &path, std::string &out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

namespace {

// Absolute and without "." and ".." parts, by the text alone.
std::string Lexical(const std::string &absolute) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= absolute.size()) {
        const size_t j = std::min(absolute.find('/', i), absolute.size());
        const std::string part = absolute.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string &part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string Resolved(const std::string &path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

} // namespace

std::string CanonicalPath(std::u16string_view path) {
    std::string p = vk::text::ToUtf8(path);
    if (p.empty()) return p;
    if (p[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) p = std::string(cwd) + "/" + p;
    }
    std::string resolved = Resolved(p);
    if (!resolved.empty()) return resolved;
    // Not there (yet): the folder that will hold it, resolved, and the name.
    const std::string lexical = Lexical(p);
    if (lexical == "/") return lexical;
    const size_t cut = lexical.rfind('/');
    resolved = Resolved(cut == 0 ? std::string("/") : lexical.substr(0, cut));
    if (resolved.empty()) return lexical;
    return (resolved == "/" ? std::string() : resolved) + lexical.substr(cut);
}

std::string KeyOf(const std::string &canonical) { return canonical; }

bool NamesOtherThanAFile(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

uint32_t WriteRefusal(const std::string &path, const std::string &folder, bool exists, unsigned mode) {
    if (exists) {
        if (::access(path.c_str(), W_OK) != 0) return vk::fs::ErrorFromErrno(errno);
        // The read-only attribute holds for every user, as on Windows.
        if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return vk::fs::kErrorAccessDenied;
    }
    // The file is replaced through a temporary file beside it.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno == ENOENT || errno == ENOTDIR ? vk::fs::kErrorPathNotFound : vk::fs::kErrorAccessDenied;
    return 0;
}

} // namespace vk::ini::detail

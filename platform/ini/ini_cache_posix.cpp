#include "platform/ini/ini_cache.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/fs/fs.h"
#include "platform/ini/ini_lock.h"
#include "platform/text/text.h"

namespace vk::ini::detail {

namespace {

// Files read for one value (the version key of any file of a folder walk)
// must not pile up: beyond this many, the least recently used file without
// pending writes leaves the cache.
constexpr size_t kMaxCachedFiles = 32;

// Longer than the coarsest tick of file time stamps (10 ms on kernels with a
// 100 Hz clock), so that a file older than this cannot change unnoticed.
constexpr int64_t kRacyMarginNs = 20'000'000;
// A file looked at on disk less than this long ago is taken as unchanged
// without another look. Changes made through this process (ini writes, copies,
// moves and deletions through vk::fs) update or drop the entry at once; only a
// change by another process can go unseen, and for at most this long.
constexpr int64_t kRecheckNs = 1'000'000;

struct Cache {
    std::mutex mutex;
    std::unordered_map<std::string, std::unique_ptr<CachedFile>> files;
    // Absolute paths as callers spell them, to skip resolving them on every call.
    std::unordered_map<std::u16string, CachedFile *> aliases;
    uint64_t parses = 0;
    uint64_t uses = 0;
    // Canonical scratch folders, each ending in '/'.
    std::vector<std::string> scratch;
};

Cache &TheCache() {
    // Never destroyed: the exit-time flush runs after static destructors may have.
    static Cache *cache = [] {
        auto *c = new Cache;
        // Writes are on disk when the call that made them returns; this only
        // catches a process that ends in the middle of one.
        std::atexit([] {
            Cache &c2 = TheCache();
            std::lock_guard<std::mutex> lock(c2.mutex);
            FlushAll();
        });
        return c;
    }();
    return *cache;
}

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

FileStamp StampOf(const struct stat &st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<int64_t>(st.st_size);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return s;
}

// Reads without going through vk::fs, whose fault points are for writes: a
// test that fails the Nth open must hit the replacement, not a read.
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

size_t HashOf(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

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

std::string FolderOf(const std::string &path) {
    const size_t cut = path.rfind('/');
    return cut == 0 || cut == std::string::npos ? std::string("/") : path.substr(0, cut);
}

void ReplayPending(CachedFile &f) {
    for (const Edit &e : f.pending) {
        bool changed = false;
        Apply(f.doc, e, changed); // an edit that no longer fits the file is left out
    }
}

// Takes `bytes` (the file's content, `st` its status; null: no file) as the
// entry's base and makes the pending edits on it again.
void Rebase(CachedFile &f, const std::string &bytes, const struct stat *st, int64_t readStartedNs) {
    ++TheCache().parses;
    f.unreadable = false;
    f.stamp = st ? StampOf(*st) : FileStamp{};
    f.mode = st ? st->st_mode & 07777 : 0;
    f.doc = Parse(bytes);
    f.hash = st ? HashOf(bytes) : 0;
    f.racy = st && readStartedNs < f.stamp.mtimeNs + kRacyMarginNs;
    ReplayPending(f);
}

// Reads the file into the entry, keeping the pending edits on top.
void Load(CachedFile &f) {
    f.checkedAtNs = MonotonicNs();
    const int64_t started = RealNowNs();
    struct stat st {};
    if (::stat(f.path.c_str(), &st) != 0) {
        // Missing: an empty document. A path that cannot even be looked at
        // (a folder without search permission) is no file to write either.
        const bool unreadable = errno != ENOENT && errno != ENOTDIR;
        Rebase(f, {}, nullptr, started);
        f.unreadable = unreadable;
        return;
    }
    std::string bytes;
    if (!S_ISREG(st.st_mode) || !ReadBytes(f.path, bytes)) {
        Rebase(f, {}, nullptr, started);
        f.stamp = StampOf(st);
        f.mode = st.st_mode & 07777;
        f.unreadable = true;
        return;
    }
    Rebase(f, bytes, &st, started);
}

// Drops the pending edits: the entry holds what the disk holds.
void Revert(CachedFile &f) {
    const uint32_t error = vk::fs::LastError();
    f.pending.clear();
    Load(f);
    vk::fs::SetLastError(error);
}

// Brings the entry up to date with the file on disk. `fresh`: looks at the
// disk even when it was looked at a moment ago.
void Validate(CachedFile &f, bool fresh) {
    if (f.frozen > 0) return;
    const int64_t checked = MonotonicNs();
    if (!fresh && !f.racy && !f.unreadable && checked - f.checkedAtNs < kRecheckNs) return;
    f.checkedAtNs = checked;
    struct stat st {};
    FileStamp now;
    if (::stat(f.path.c_str(), &st) == 0) {
        now = StampOf(st);
        f.mode = st.st_mode & 07777; // a change of permissions alone keeps the document
    }
    if (f.unreadable || !(now == f.stamp)) {
        Load(f);
        return;
    }
    if (!f.racy || !now.exists) return;
    const int64_t started = RealNowNs();
    std::string bytes;
    if (!ReadBytes(f.path, bytes)) {
        Load(f);
        return;
    }
    if (static_cast<int64_t>(bytes.size()) != f.stamp.size || HashOf(bytes) != f.hash) {
        Rebase(f, bytes, &st, started);
        return;
    }
    f.racy = started < f.stamp.mtimeNs + kRacyMarginNs;
}

void EvictOne(Cache &c, const CachedFile *keep) {
    auto victim = c.files.end();
    for (auto it = c.files.begin(); it != c.files.end(); ++it) {
        const CachedFile &f = *it->second;
        if (&f == keep || !f.pending.empty() || f.frozen > 0) continue;
        if (victim == c.files.end() || f.lastUse < victim->second->lastUse) victim = it;
    }
    if (victim == c.files.end()) return;
    c.aliases.clear();
    c.files.erase(victim);
}

bool Fail(uint32_t code) {
    vk::fs::SetLastError(code);
    return false;
}

} // namespace

std::mutex &CacheMutex() { return TheCache().mutex; }

std::string Canonical(std::u16string_view path) {
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

CachedFile *OpenFile(std::u16string_view path, bool fresh) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    if (path[0] == u'/') {
        const auto a = c.aliases.find(std::u16string(path));
        if (a != c.aliases.end()) {
            Validate(*a->second, fresh);
            a->second->lastUse = ++c.uses;
            return a->second;
        }
    }
    const std::string key = Canonical(path);
    auto it = c.files.find(key);
    CachedFile *f = nullptr;
    if (it == c.files.end()) {
        auto entry = std::make_unique<CachedFile>();
        entry->path = key;
        f = entry.get();
        c.files.emplace(key, std::move(entry));
        Load(*f);
        if (c.files.size() > kMaxCachedFiles) EvictOne(c, f);
    } else {
        f = it->second.get();
        Validate(*f, fresh);
    }
    f->lastUse = ++c.uses;
    if (path[0] == u'/') c.aliases.emplace(std::u16string(path), f);
    return f;
}

CachedFile *CachedOnly(std::u16string_view path) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    if (path[0] == u'/') {
        const auto a = c.aliases.find(std::u16string(path));
        if (a != c.aliases.end()) return a->second;
    }
    const auto it = c.files.find(Canonical(path));
    return it == c.files.end() ? nullptr : it->second.get();
}

bool PrepareWrite(CachedFile &f) {
    if (f.unreadable) return Fail(vk::fs::kErrorAccessDenied);
    if (f.stamp.exists) {
        if (::access(f.path.c_str(), W_OK) != 0) return Fail(vk::fs::ErrorFromErrno(errno));
        // The read-only attribute holds for every user, as on Windows.
        if ((f.mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Fail(vk::fs::kErrorAccessDenied);
    }
    // The file is replaced through a temporary file beside it.
    if (::access(FolderOf(f.path).c_str(), W_OK | X_OK) != 0)
        return Fail(errno == ENOENT || errno == ENOTDIR ? vk::fs::kErrorPathNotFound : vk::fs::kErrorAccessDenied);
    return true;
}

bool AddEdit(CachedFile &f, Edit edit) {
    bool changed = false;
    if (!Apply(f.doc, edit, changed)) return false;
    if (changed) f.pending.push_back(std::move(edit));
    return true;
}

bool FlushFile(CachedFile &f) {
    if (f.pending.empty()) return true;
    FolderLock lock(FolderOf(f.path));
    if (!lock.Held()) {
        vk::fs::SetLastError(vk::fs::kErrorSharingViolation);
        Revert(f);
        return false;
    }
    // The file as it is now: when another process changed it since it was
    // read, the pending edits are made again on its content.
    const int64_t started = RealNowNs();
    struct stat st {};
    std::string bytes;
    if (::stat(f.path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !ReadBytes(f.path, bytes)) {
            vk::fs::SetLastError(vk::fs::kErrorAccessDenied);
            Revert(f);
            return false;
        }
        if (!f.stamp.exists || static_cast<int64_t>(bytes.size()) != f.stamp.size || HashOf(bytes) != f.hash)
            Rebase(f, bytes, &st, started);
    } else if (f.stamp.exists) {
        Rebase(f, {}, nullptr, started); // removed meanwhile: the edits make a new file
    }
    const std::string out = Serialize(f.doc);
    // A scratch file is replaced as atomically as any other, but not synced:
    // its folder does not outlive the process that writes it.
    if (!vk::fs::WriteAtomic(vk::text::FromUtf8(f.path), out, !InScratchFolder(f.path))) {
        Revert(f);
        return false;
    }
    f.pending.clear();
    const int64_t written = RealNowNs();
    if (::stat(f.path.c_str(), &st) == 0) {
        f.stamp = StampOf(st);
        f.mode = st.st_mode & 07777;
    } else {
        f.stamp = FileStamp{};
    }
    f.hash = HashOf(out);
    f.unreadable = false;
    f.racy = written < f.stamp.mtimeNs + kRacyMarginNs;
    f.checkedAtNs = MonotonicNs();
    return true;
}

bool InScratchFolder(const std::string &path) {
    for (const std::string &folder : TheCache().scratch)
        if (path.compare(0, folder.size(), folder) == 0) return true;
    return false;
}

void SetScratchFolder(std::u16string_view folder, bool scratch) {
    std::string key = Canonical(folder);
    if (key.empty()) return;
    if (key.back() != '/') key += '/';
    std::vector<std::string> &list = TheCache().scratch;
    std::erase(list, key);
    if (scratch) list.push_back(key);
}

bool FlushAll(bool scratchToo) {
    bool ok = true;
    uint32_t error = 0;
    for (auto &[path, f] : TheCache().files) {
        if (!scratchToo && !f->pending.empty() && InScratchFolder(path)) continue;
        if (!FlushFile(*f)) {
            if (ok) error = vk::fs::LastError();
            ok = false;
        }
    }
    if (!ok) vk::fs::SetLastError(error);
    return ok;
}

bool PendingOutsideScratch() {
    for (const auto &[path, f] : TheCache().files)
        if (!f->pending.empty() && !InScratchFolder(path)) return true;
    return false;
}

namespace {

// The last part of a path when its canonical form surely ends in it: the path
// names a plain file or nothing (no link, no folder) and ends in a real name.
// "" otherwise. Lets a lookup that finds no cached file of that name skip
// resolving the path (a restore renames thousands of files).
std::string PlainName(std::u16string_view path) {
    const std::string p = vk::text::ToUtf8(path);
    const size_t cut = p.rfind('/');
    const std::string name = cut == std::string::npos ? p : p.substr(cut + 1);
    if (name.empty() || name == "." || name == "..") return {};
    struct stat st {};
    if (::lstat(p.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return {};
    return name;
}

bool EndsInName(const std::string &key, const std::string &name) {
    return key.size() > name.size() && key.compare(key.size() - name.size(), name.size(), name) == 0 &&
           key[key.size() - name.size() - 1] == '/';
}

// False when no cached file (with pending edits, when pendingOnly) can be the
// one `path` names.
bool MayBeCached(std::u16string_view path, bool pendingOnly) {
    const std::string name = PlainName(path);
    for (const auto &[key, f] : TheCache().files) {
        if (pendingOnly && f->pending.empty()) continue;
        if (name.empty() || EndsInName(key, name)) return true;
    }
    return false;
}

} // namespace

bool FlushUnder(std::u16string_view path) {
    if (path.empty() || !MayBeCached(path, true)) return true;
    const std::string p = Canonical(path);
    const std::string prefix = p == "/" ? p : p + "/";
    bool ok = true;
    uint32_t error = 0;
    for (auto &[key, f] : TheCache().files) {
        if (key == p || key.compare(0, prefix.size(), prefix) == 0) {
            if (!FlushFile(*f)) {
                if (ok) error = vk::fs::LastError();
                ok = false;
            }
        }
    }
    if (!ok) vk::fs::SetLastError(error);
    return ok;
}

void ForgetFile(std::u16string_view path) {
    Cache &c = TheCache();
    if (!MayBeCached(path, false)) return;
    // By the path itself, not by a spelling seen before: a deleted link must
    // not take the entry of the file it pointed at along with it.
    c.aliases.clear();
    c.files.erase(Canonical(path));
}

void ForgetUnder(std::u16string_view path) {
    if (path.empty()) return;
    Cache &c = TheCache();
    const std::string p = Canonical(path);
    const std::string prefix = p == "/" ? p : p + "/";
    bool any = false;
    for (auto it = c.files.begin(); it != c.files.end();) {
        if (it->first == p || it->first.compare(0, prefix.size(), prefix) == 0) {
            it = c.files.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    if (any) c.aliases.clear();
}

void ForgetAll() {
    Cache &c = TheCache();
    c.aliases.clear();
    c.files.clear();
}

uint64_t ParseCount() { return TheCache().parses; }

} // namespace vk::ini::detail

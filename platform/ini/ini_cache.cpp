// The process-wide cache of parsed ini files, the same on both systems; what
// it asks of the disk is in ini_disk_posix.cpp / ini_disk_win.cpp.
#include "platform/ini/ini_cache.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/fs/fs.h"
#include "platform/ini/ini_disk.h"
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

size_t HashOf(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

// The folder that holds a file: its parent, or the root for a file at the root.
std::string FolderOf(const std::string &path) {
    const size_t cut = path.rfind('/');
    if (cut == std::string::npos) return "/";
    const size_t root = vk::fs::RootLength(vk::text::FromUtf8(path));
    return cut < root ? path.substr(0, root) : path.substr(0, cut);
}

// `path` (a cache key) and every path below it, when it names a folder.
bool Within(const std::string &key, const std::string &path) {
    if (key == path) return true;
    const std::string prefix = !path.empty() && path.back() == '/' ? path : path + "/";
    return key.compare(0, prefix.size(), prefix) == 0;
}

void ReplayPending(CachedFile &f) {
    for (const Edit &e : f.pending) {
        bool changed = false;
        Apply(f.doc, e, changed); // an edit that no longer fits the file is left out
    }
}

// Takes `bytes` (the file's content, `st` its state on disk; null: no file)
// as the entry's base and makes the pending edits on it again.
void Rebase(CachedFile &f, const std::string &bytes, const DiskState *st, int64_t readStartedNs) {
    ++TheCache().parses;
    f.unreadable = false;
    f.stamp = st ? st->stamp : FileStamp{};
    f.mode = st ? st->mode : 0;
    f.doc = Parse(bytes);
    f.hash = st ? HashOf(bytes) : 0;
    f.racy = st && readStartedNs < f.stamp.mtimeNs + kRacyMarginNs;
    ReplayPending(f);
}

// Reads the file into the entry, keeping the pending edits on top.
void Load(CachedFile &f) {
    f.checkedAtNs = MonotonicNs();
    const int64_t started = RealNowNs();
    DiskState st;
    bool lookable = true;
    if (!LookAt(f.path, st, lookable)) {
        // Missing: an empty document. A path that cannot even be looked at
        // (a folder without search permission) is no file to write either.
        Rebase(f, {}, nullptr, started);
        f.unreadable = !lookable;
        return;
    }
    std::string bytes;
    if (!st.regular || !ReadBytes(f.path, bytes)) {
        Rebase(f, {}, nullptr, started);
        f.stamp = st.stamp;
        f.mode = st.mode;
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
    DiskState st;
    bool lookable = true;
    FileStamp now;
    if (LookAt(f.path, st, lookable)) {
        now = st.stamp;
        f.mode = st.mode; // a change of permissions alone keeps the document
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

std::string Canonical(std::u16string_view path) { return CanonicalPath(path); }

CachedFile *OpenFile(std::u16string_view path, bool fresh) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    const bool absolute = vk::fs::IsAbsolutePath(path);
    if (absolute) {
        const auto a = c.aliases.find(std::u16string(path));
        if (a != c.aliases.end()) {
            Validate(*a->second, fresh);
            a->second->lastUse = ++c.uses;
            return a->second;
        }
    }
    std::string canonical = Canonical(path);
    const std::string key = KeyOf(canonical);
    auto it = c.files.find(key);
    CachedFile *f = nullptr;
    if (it == c.files.end()) {
        auto entry = std::make_unique<CachedFile>();
        entry->path = std::move(canonical);
        f = entry.get();
        c.files.emplace(key, std::move(entry));
        Load(*f);
        if (c.files.size() > kMaxCachedFiles) EvictOne(c, f);
    } else {
        f = it->second.get();
        Validate(*f, fresh);
    }
    f->lastUse = ++c.uses;
    if (absolute) c.aliases.emplace(std::u16string(path), f);
    return f;
}

CachedFile *CachedOnly(std::u16string_view path) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    if (vk::fs::IsAbsolutePath(path)) {
        const auto a = c.aliases.find(std::u16string(path));
        if (a != c.aliases.end()) return a->second;
    }
    const auto it = c.files.find(KeyOf(Canonical(path)));
    return it == c.files.end() ? nullptr : it->second.get();
}

bool PrepareWrite(CachedFile &f) {
    if (f.unreadable) return Fail(vk::fs::kErrorAccessDenied);
    // The file is replaced through a temporary file beside it.
    const uint32_t refusal = WriteRefusal(f.path, FolderOf(f.path), f.stamp.exists, f.mode);
    return refusal == 0 || Fail(refusal);
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
    DiskState st;
    bool lookable = true;
    std::string bytes;
    if (LookAt(f.path, st, lookable)) {
        if (!st.regular || !ReadBytes(f.path, bytes)) {
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
    if (LookAt(f.path, st, lookable)) {
        f.stamp = st.stamp;
        f.mode = st.mode;
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
    const std::string key = KeyOf(path);
    for (const std::string &folder : TheCache().scratch)
        if (key.compare(0, folder.size(), folder) == 0) return true;
    return false;
}

void SetScratchFolder(std::u16string_view folder, bool scratch) {
    std::string key = KeyOf(Canonical(folder));
    if (key.empty()) return;
    if (key.back() != '/') key += '/';
    std::vector<std::string> &list = TheCache().scratch;
    std::erase(list, key);
    if (scratch) list.push_back(key);
}

namespace {

// Flushes every cached file that `wanted` picks; the first failure's error
// stays set.
template <typename Wanted> bool FlushWhere(Wanted wanted) {
    bool ok = true;
    uint32_t error = 0;
    for (auto &[key, f] : TheCache().files) {
        if (wanted(key, *f) && !FlushFile(*f)) {
            if (ok) error = vk::fs::LastError();
            ok = false;
        }
    }
    if (!ok) vk::fs::SetLastError(error);
    return ok;
}

// The last part of a path when its canonical form surely ends in it: the path
// names a plain file or nothing (no link, no folder) and ends in a real name.
// "" otherwise. Lets a lookup that finds no cached file of that name skip
// resolving the path (a restore renames thousands of files).
std::string PlainName(std::u16string_view path) {
    size_t cut = path.size();
    while (cut > 0 && !vk::fs::IsSeparator(path[cut - 1])) --cut;
    const std::string name = vk::text::ToUtf8(path.substr(cut));
    if (name.empty() || name == "." || name == "..") return {};
    if (NamesOtherThanAFile(vk::text::ToUtf8(path))) return {};
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
    const std::string nameKey = name.empty() ? name : KeyOf(name);
    for (const auto &[key, f] : TheCache().files) {
        if (pendingOnly && f->pending.empty()) continue;
        if (name.empty() || EndsInName(key, nameKey)) return true;
    }
    return false;
}

} // namespace

bool FlushAll(bool scratchToo) {
    return FlushWhere([scratchToo](const std::string &, const CachedFile &f) {
        return scratchToo || f.pending.empty() || !InScratchFolder(f.path);
    });
}

bool PendingOutsideScratch() {
    for (const auto &[key, f] : TheCache().files)
        if (!f->pending.empty() && !InScratchFolder(f->path)) return true;
    return false;
}

bool FlushUnder(std::u16string_view path) {
    if (path.empty() || !MayBeCached(path, true)) return true;
    const std::string p = KeyOf(Canonical(path));
    return FlushWhere([&p](const std::string &key, const CachedFile &) { return Within(key, p); });
}

void ForgetFile(std::u16string_view path) {
    Cache &c = TheCache();
    if (!MayBeCached(path, false)) return;
    // By the path itself, not by a spelling seen before: a deleted link must
    // not take the entry of the file it pointed at along with it.
    c.aliases.clear();
    c.files.erase(KeyOf(Canonical(path)));
}

void ForgetUnder(std::u16string_view path) {
    if (path.empty()) return;
    Cache &c = TheCache();
    const std::string p = KeyOf(Canonical(path));
    bool any = false;
    for (auto it = c.files.begin(); it != c.files.end();) {
        if (Within(it->first, p)) {
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

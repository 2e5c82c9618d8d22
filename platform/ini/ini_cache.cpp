#include "platform/ini/ini_cache.h"

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ini/ini_disk.h"
#include "platform/text/text.h"

namespace vk::ini::detail {

namespace {

using Clock = std::chrono::steady_clock;

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

std::atomic<int> g_flushDelayMs{vk::ini::kFlushDelayMs};
int FlushDelayMs() { return g_flushDelayMs.load(); }

struct Cache {
    std::mutex mutex;
    std::unordered_map<std::string, std::unique_ptr<CachedFile>> files;
    // Absolute paths as callers spell them, to skip normalising on every call.
    std::unordered_map<std::u16string, CachedFile *> aliases;
    size_t dirtyCount = 0;
    uint64_t parses = 0;
    uint64_t uses = 0;
};

Cache &TheCache() {
    // Never destroyed: the exit-time flush runs after static destructors may have.
    static Cache *cache = [] {
        auto *c = new Cache;
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

void SetClean(Cache &c, CachedFile &f) {
    if (f.dirty) {
        f.dirty = false;
        --c.dirtyCount;
    }
}

// Reads the file into the entry; `bytes` when the caller already has them.
void Load(CachedFile &f, const std::string *bytes = nullptr) {
    Cache &c = TheCache();
    SetClean(c, f);
    ++c.parses;
    f.unreadable = false;
    f.racy = false;
    f.hash = 0;
    f.mode = 0;
    f.stamp = FileStamp{};
    f.checkedAtNs = MonotonicNs();
    const int64_t started = RealNowNs();
    DiskState disk;
    bool lookable = true;
    if (!LookAt(f.path, disk, lookable)) {
        // Missing: an empty document. A path that cannot even be looked at
        // (a folder without search permission) is no file to write either.
        f.unreadable = !lookable;
        f.doc = Parse({});
        return;
    }
    f.stamp = disk.stamp;
    f.mode = disk.mode;
    std::string read;
    if (!disk.regular || (!bytes && !ReadBytes(f.path, read))) {
        f.unreadable = true;
        f.doc = Parse({});
        return;
    }
    const std::string &data = bytes ? *bytes : read;
    f.doc = Parse(data);
    f.hash = HashOf(data);
    f.racy = started < f.stamp.mtimeNs + kRacyMarginNs;
}

// Brings the entry up to date with the file on disk.
void Validate(CachedFile &f) {
    const int64_t checked = MonotonicNs();
    if (!f.racy && !f.unreadable && checked - f.checkedAtNs < kRecheckNs) return;
    f.checkedAtNs = checked;
    DiskState disk;
    bool lookable = true;
    FileStamp now;
    if (LookAt(f.path, disk, lookable)) {
        now = disk.stamp;
        f.mode = disk.mode; // a change of permissions alone keeps pending writes
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
        Load(f, &bytes);
        return;
    }
    f.racy = started < f.stamp.mtimeNs + kRacyMarginNs;
}

void EvictOne(Cache &c, const CachedFile *keep) {
    auto victim = c.files.end();
    for (auto it = c.files.begin(); it != c.files.end(); ++it) {
        const CachedFile &f = *it->second;
        if (&f == keep || f.dirty) continue;
        if (victim == c.files.end() || f.lastUse < victim->second->lastUse) victim = it;
    }
    if (victim == c.files.end()) return;
    c.aliases.clear();
    c.files.erase(victim);
}

std::string FolderOf(const std::string &path) {
    const size_t cut = path.rfind('/');
    return cut == 0 || cut == std::string::npos ? std::string("/") : path.substr(0, cut);
}

bool Fail(uint32_t code) {
    vk::fs::SetLastError(code);
    return false;
}

} // namespace

std::mutex &CacheMutex() { return TheCache().mutex; }

CachedFile *OpenFile(std::u16string_view path) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    if (path[0] == u'/') {
        const auto a = c.aliases.find(std::u16string(path));
        if (a != c.aliases.end()) {
            Validate(*a->second);
            a->second->lastUse = ++c.uses;
            return a->second;
        }
    }
    const std::string key = Normalise(path);
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
        Validate(*f);
    }
    f->lastUse = ++c.uses;
    if (path[0] == u'/') c.aliases.emplace(std::u16string(path), f);
    return f;
}

CachedFile *CachedOnly(std::u16string_view path) {
    if (path.empty()) return nullptr;
    Cache &c = TheCache();
    const auto it = c.files.find(Normalise(path));
    return it == c.files.end() ? nullptr : it->second.get();
}

bool PrepareWrite(CachedFile &f) {
    if (f.unreadable) return Fail(vk::fs::kErrorAccessDenied);
    if (const uint32_t refusal = WriteRefusal(f.path, FolderOf(f.path), f.stamp.exists, f.mode)) return Fail(refusal);
    return true;
}

void MarkDirty(CachedFile &f) {
    if (f.dirty) return;
    Cache &c = TheCache();
    f.dirty = true;
    ++c.dirtyCount;
    f.firstPending = Clock::now();
    f.nextAttempt = f.firstPending;
}

void Reload(CachedFile &f) { Load(f); }

bool FlushFile(CachedFile &f) {
    if (!f.dirty) return true;
    Validate(f); // changed on disk meanwhile: the newer file wins
    if (!f.dirty) return true;
    const std::string bytes = Serialize(f.doc);
    if (!vk::fs::WriteAtomic(vk::text::FromUtf8(f.path), bytes)) {
        f.nextAttempt = Clock::now() + std::chrono::milliseconds(FlushDelayMs());
        return false;
    }
    SetClean(TheCache(), f);
    const int64_t written = RealNowNs();
    DiskState disk;
    bool lookable = true;
    if (LookAt(f.path, disk, lookable)) {
        f.stamp = disk.stamp;
        f.mode = disk.mode;
    } else {
        f.stamp = FileStamp{};
    }
    f.hash = HashOf(bytes);
    f.unreadable = false;
    f.racy = written < f.stamp.mtimeNs + kRacyMarginNs;
    return true;
}

bool FlushAll() {
    bool ok = true;
    for (auto &[path, f] : TheCache().files)
        if (!FlushFile(*f)) ok = false;
    return ok;
}

bool FlushUnder(std::u16string_view path) {
    if (path.empty()) return true;
    const std::string p = Normalise(path);
    const std::string prefix = p == "/" ? p : p + "/";
    bool ok = true;
    for (auto &[key, f] : TheCache().files) {
        if (key == p || key.compare(0, prefix.size(), prefix) == 0)
            if (!FlushFile(*f)) ok = false;
    }
    return ok;
}

void FlushDue() {
    Cache &c = TheCache();
    if (c.dirtyCount == 0) return;
    const auto now = Clock::now();
    const uint32_t saved = vk::fs::LastError();
    for (auto &[path, f] : c.files) {
        if (f->dirty && now - f->firstPending >= std::chrono::milliseconds(FlushDelayMs()) && now >= f->nextAttempt)
            FlushFile(*f);
    }
    vk::fs::SetLastError(saved);
}

void ForgetFile(std::u16string_view path) {
    Cache &c = TheCache();
    const auto it = c.files.find(Normalise(path));
    if (it == c.files.end()) return;
    SetClean(c, *it->second);
    c.aliases.clear();
    c.files.erase(it);
}

void ForgetUnder(std::u16string_view path) {
    if (path.empty()) return;
    Cache &c = TheCache();
    const std::string p = Normalise(path);
    const std::string prefix = p == "/" ? p : p + "/";
    bool any = false;
    for (auto it = c.files.begin(); it != c.files.end();) {
        if (it->first == p || it->first.compare(0, prefix.size(), prefix) == 0) {
            SetClean(c, *it->second);
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
    c.dirtyCount = 0;
}

uint64_t ParseCount() { return TheCache().parses; }

} // namespace vk::ini::detail

namespace vk::ini {

int SetFlushDelay(int ms) { return detail::g_flushDelayMs.exchange(ms); }

} // namespace vk::ini

// Reading an archive: ArcOpen, ArcExtractAll, ArcClose.
//
// Extraction stays inside its destination folder: entry names are checked
// (entry_names), links and special files are refused, every folder on the
// way is checked to be a real folder (never a symbolic link), and each file
// is written under a new temporary name (created exclusively, so nothing
// that already lies there is followed) and renamed into place when complete.
// An entry that cannot be unpacked is reported with event 4 and skipped.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "arczip32/entry_check.h"
#include "arczip32/entry_names.h"
#include "arczip32/file_times.h"
#include "arczip32/sessions.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::arc {

namespace {

constexpr size_t kReadBlock = 256 * 1024;

struct ExtractState {
    zip_t *za = nullptr;
    std::u16string root;                    // destination with trailing separator
    std::unordered_set<std::string> folders; // verified folders, relative ("" is the root)
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kReadBlock);
    uint64_t bytesDone = 0;
    uint64_t bytesUnpacked = 0;
    unsigned tempCounter = 0;
};

std::u16string Native(const std::string &relative) {
    std::u16string path = vk::text::FromUtf8(relative);
    for (char16_t &c : path) {
        if (c == u'/') c = vk::fs::kSep;
    }
    return path;
}

// Makes sure parts [0, count) of `path` lead through real folders inside the
// destination, creating the missing ones. False when one of them is a file,
// a symbolic link or cannot be created.
bool EnsureFolders(ExtractState &state, const EntryPath &path, size_t count) {
    std::string relative;
    for (size_t i = 0; i < count; ++i) {
        if (!relative.empty()) relative += '/';
        relative += path.parts[i];
        if (state.folders.count(relative) != 0) continue;
        const std::u16string full = state.root + Native(relative);
        vk::fs::FileInfo info;
        if (vk::fs::Stat(full, info)) {
            if (!info.directory || info.symlink) return false;
        } else if (!vk::fs::CreateDirectory(full)) {
            return false;
        }
        state.folders.insert(relative);
    }
    return true;
}

// The entry's modification time: the exact UTC time of an extended
// timestamp when the entry has one, else its DOS time.
std::optional<int64_t> EntryTime(zip_t *za, zip_uint64_t index, const zip_stat_t &st) {
    zip_uint16_t length = 0;
    const zip_uint8_t *data = zip_file_extra_field_get_by_id(za, index, kExtendedTimestampId, 0, &length, ZIP_FL_CENTRAL);
    if (data != nullptr) {
        if (auto t = ReadExtendedTimestamp(std::string_view(reinterpret_cast<const char *>(data), length))) return t;
    }
    if (st.valid & ZIP_STAT_MTIME) return static_cast<int64_t>(st.mtime);
    return std::nullopt;
}

class EntryReader {
public:
    explicit EntryReader(zip_file_t *file) : file_(file) {}
    ~EntryReader() {
        if (file_ != nullptr) zip_fclose(file_);
    }
    EntryReader(const EntryReader &) = delete;
    EntryReader &operator=(const EntryReader &) = delete;
    zip_file_t *get() const { return file_; }

private:
    zip_file_t *file_;
};

enum class Outcome { Done, Failed, Stopped };

// Unpacks file entry `index` to `relative` (its folders exist).
Outcome ExtractFile(ExtractState &state, zip_uint64_t index, const std::string &relative, uint64_t declaredSize,
                    uint32_t permissions, std::optional<int64_t> mtime, EventSink &sink) {
    EntryReader entry(zip_fopen_index(state.za, index, 0));
    if (entry.get() == nullptr) return Outcome::Failed;

    const std::u16string target = state.root + Native(relative);
    const std::u16string folder = vk::fs::ParentFolder(target);
    std::u16string temp;
    vk::fs::Writer writer;
    for (int attempt = 0; attempt < 32 && temp.empty(); ++attempt) {
        const std::u16string candidate =
            folder + u".~arc" + vk::text::U16(std::to_string(++state.tempCounter)) + u".part";
        // With permissions of its own the file stays private until they are set.
        if (writer.Open(candidate, false, permissions != 0 ? 0600u : 0666u)) temp = candidate;
        else if (vk::fs::LastError() != vk::fs::kErrorFileExists) return Outcome::Failed;
    }
    if (temp.empty()) return Outcome::Failed;

    auto abandon = [&](Outcome outcome) {
        writer.Close();
        vk::fs::DeleteFile(temp);
        return outcome;
    };
    uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(entry.get(), state.buffer.data(), state.buffer.size());
        if (n < 0) return abandon(Outcome::Failed); // damaged data, CRC error
        if (n == 0) break;
        // Data beyond the declared size: the archive lied about it, and the
        // room checked before unpacking would not hold it.
        written += static_cast<uint64_t>(n);
        if (written > declaredSize) return abandon(Outcome::Failed);
        if (!writer.Write(state.buffer.data(), static_cast<size_t>(n))) return abandon(Outcome::Failed);
        state.bytesDone += static_cast<uint64_t>(n);
        state.bytesUnpacked += static_cast<uint64_t>(n);
        if (!Progress(sink, state.bytesDone)) return abandon(Outcome::Stopped);
    }
    if (!writer.Close()) return abandon(Outcome::Failed);
    // The file's own permissions when the archive keeps them: a private file
    // comes back private.
    if (permissions != 0 && !vk::fs::SetPermissions(temp, permissions)) return abandon(Outcome::Failed);
    if (mtime) vk::fs::SetWriteTime(temp, FileTimeFromUnix(*mtime));
    if (!vk::fs::MoveFile(temp, target)) return abandon(Outcome::Failed);
    return Outcome::Done;
}

// What extraction needs to know of entry `index` before it touches it.
struct EntryFacts {
    zip_stat_t st{};
    bool haveStat = false;
    std::u16string storedName; // as stored, for the events
    EntryPath path;
    bool special = false;      // a link, device, pipe or socket (or unreadable attributes)
    bool folder = false;
    zip_uint8_t opsys = 0;     // the system that made the entry
    zip_uint32_t attributes = 0;
};

EntryFacts ReadEntryFacts(zip_t *za, zip_uint64_t index) {
    EntryFacts facts;
    facts.haveStat = zip_stat_index(za, index, 0, &facts.st) == 0;
    const char *stored = zip_get_name(za, index, ZIP_FL_ENC_GUESS);
    facts.storedName = vk::text::FromUtf8(stored != nullptr ? stored : "");
    if (stored != nullptr) facts.path = ParseEntryName(stored);
    facts.special = zip_file_get_external_attributes(za, index, 0, &facts.opsys, &facts.attributes) != 0 ||
                    IsSpecialEntry(facts.attributes);
    facts.folder = facts.path.directory || ((facts.attributes >> 16) & kUnixTypeMask) == kUnixDirectory;
    return facts;
}

void BuildIndex(ReadSession &session) {
    if (session.indexed) return;
    session.indexed = true;
    const zip_int64_t count = zip_get_num_entries(session.za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = static_cast<zip_uint64_t>(i);
        const EntryFacts facts = ReadEntryFacts(session.za, index);
        if (!facts.haveStat || !facts.path.safe || facts.special || facts.folder) continue;
        const std::string name = JoinEntryPath(facts.path);
        session.byName.insert_or_assign(name, index); // the last of equal names, as extraction leaves it
        session.byLowerName.insert_or_assign(LowerAscii(name), index);
    }
}

} // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::optional<zip_uint64_t> FindEntry(ReadSession &session, std::string_view name) {
    if (session.za == nullptr) return std::nullopt;
    BuildIndex(session);
    const EntryPath path = ParseEntryName(name);
    if (!path.safe || path.directory) return std::nullopt;
    const std::string joined = JoinEntryPath(path);
    if (auto found = session.byName.find(joined); found != session.byName.end()) return found->second;
    if (auto found = session.byLowerName.find(LowerAscii(joined)); found != session.byLowerName.end())
        return found->second;
    return std::nullopt;
}

bool ExtractEntryTo(ReadSession &session, std::string_view name, std::u16string_view path, const int32_t *cancelFlag) {
    const std::optional<zip_uint64_t> index = FindEntry(session, name);
    if (!index) {
        vk::fs::SetLastError(vk::fs::kErrorFileNotFound);
        return false;
    }
    const EntryFacts facts = ReadEntryFacts(session.za, *index);
    EntryReader entry(zip_fopen_index(session.za, *index, 0));
    if (!facts.haveStat || entry.get() == nullptr) {
        vk::fs::SetLastError(vk::fs::kErrorFileNotFound);
        return false;
    }
    const uint64_t declared = (facts.st.valid & ZIP_STAT_SIZE) ? facts.st.size : UINT64_MAX;
    const uint32_t permissions = UnpackedPermissions(facts.opsys, facts.attributes);
    vk::fs::Writer writer;
    // With permissions of its own the file stays private until they are set.
    if (!writer.Open(path, false, permissions != 0 ? 0600u : 0666u)) return false;
    auto abandon = [&](uint32_t error) {
        writer.Close();
        vk::fs::DeleteFile(path);
        vk::fs::SetLastError(error);
        return false;
    };
    thread_local std::vector<unsigned char> buffer(kReadBlock);
    uint64_t written = 0;
    for (;;) {
        if (CancelFlagSet(cancelFlag)) return abandon(vk::fs::kErrorInvalidParameter);
        const zip_int64_t n = zip_fread(entry.get(), buffer.data(), buffer.size());
        if (n < 0) return abandon(kDamagedEntry); // damaged data, CRC error
        if (n == 0) break;
        // Data beyond the declared size: the archive lied about it.
        written += static_cast<uint64_t>(n);
        if (written > declared) return abandon(kDamagedEntry);
        if (!writer.Write(buffer.data(), static_cast<size_t>(n))) return abandon(vk::fs::LastError());
    }
    if (!writer.Close()) return abandon(vk::fs::LastError());
    if (permissions != 0 && !vk::fs::SetPermissions(path, permissions)) return abandon(vk::fs::LastError());
    if (const std::optional<int64_t> mtime = EntryTime(session.za, *index, facts.st))
        vk::fs::SetWriteTime(path, FileTimeFromUnix(*mtime));
    return true;
}

ReadSession::~ReadSession() {
    if (za != nullptr) zip_discard(za);
}

std::unique_ptr<ReadSession> OpenArchive(std::u16string_view path) {
    vk::fs::FileInfo info;
    // An empty file would open as an archive without entries; it is none.
    if (path.empty() || !vk::fs::Stat(path, info) || info.directory || info.size == 0) return nullptr;
    auto session = std::make_unique<ReadSession>();
    session->archive = path;
    int error = 0;
    session->za = zip_open(vk::text::NativePath(path).c_str(), ZIP_RDONLY, &error);
    if (session->za == nullptr) return nullptr;
    return session;
}

bool DeclaredSize(const ReadSession &session, uint64_t &entries, uint64_t &bytes) {
    entries = bytes = 0;
    if (session.za == nullptr) return false;
    const zip_int64_t count = zip_get_num_entries(session.za, 0);
    if (count < 0) return false;
    entries = static_cast<uint64_t>(count);
    for (zip_uint64_t i = 0; i < entries; ++i) {
        zip_stat_t st;
        if (zip_stat_index(session.za, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) continue;
        bytes = st.size > UINT64_MAX - bytes ? UINT64_MAX : bytes + st.size;
    }
    return true;
}

bool ExtractAll(ReadSession &session, std::u16string_view destination, EventSink &sink) {
    if (session.za == nullptr || destination.empty()) return false;
    ExtractState state;
    state.za = session.za;
    state.root = std::u16string(destination);
    if (state.root.back() != vk::fs::kSep) state.root += vk::fs::kSep;
    vk::fs::FileInfo info;
    if (!vk::fs::Stat(state.root, info)) {
        if (!vk::fs::CreateDirectory(destination)) return false;
    } else if (!info.directory) {
        return false;
    }
    state.folders.insert(std::string());

    const zip_int64_t count = zip_get_num_entries(session.za, 0);
    if (count < 0) return false;
    const zip_uint64_t entries = static_cast<zip_uint64_t>(count);
    uint64_t total = 0;
    for (zip_uint64_t i = 0; i < entries; ++i) {
        zip_stat_t st;
        if (zip_stat_index(session.za, i, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) total += st.size;
    }
    sink.totalBytes = total;
    if (!Send(sink, ARC_EVENT_START, static_cast<intptr_t>(entries))) return false;

    uint64_t unpacked = 0;
    uint64_t refused = 0;
    std::vector<std::pair<std::u16string, int64_t>> folderTimes;
    for (zip_uint64_t i = 0; i < entries; ++i) {
        if (!GoOn(sink)) return false;
        const EntryFacts facts = ReadEntryFacts(session.za, i);
        const zip_stat_t &st = facts.st;
        const bool haveStat = facts.haveStat;
        const std::u16string &storedName = facts.storedName;
        const EntryPath &path = facts.path;
        const bool special = facts.special;
        const bool folder = facts.folder;
        const zip_uint8_t opsys = facts.opsys;
        const zip_uint32_t attributes = facts.attributes;

        Outcome outcome = Outcome::Failed;
        const uint64_t doneBefore = state.bytesDone;
        std::string relative;
        if (haveStat && path.safe && !special) {
            relative = JoinEntryPath(EntryPath{true, false, path.parts});
            const std::optional<int64_t> mtime = EntryTime(session.za, i, st);
            if (folder) {
                if (EnsureFolders(state, path, path.parts.size())) {
                    outcome = Outcome::Done;
                    if (mtime) folderTimes.emplace_back(state.root + Native(relative), *mtime);
                }
            } else if (EnsureFolders(state, path, path.parts.size() - 1)) {
                const uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : UINT64_MAX;
                outcome = ExtractFile(state, i, relative, declared, UnpackedPermissions(opsys, attributes), mtime,
                                      sink);
            }
        }
        // The percentage counts every entry by its stored size, also a refused one.
        if (haveStat && (st.valid & ZIP_STAT_SIZE)) state.bytesDone = doneBefore + st.size;
        switch (outcome) {
        case Outcome::Stopped:
            return false;
        case Outcome::Failed:
            ++refused;
            if (!Send(sink, ARC_EVENT_CANNOT_UNPACK, reinterpret_cast<intptr_t>(storedName.c_str()))) return false;
            break;
        case Outcome::Done: {
            ++unpacked;
            const std::u16string name = vk::text::FromUtf8(folder ? relative + "/" : relative);
            if (!Send(sink, folder ? ARC_EVENT_FOLDER : ARC_EVENT_FILE, reinterpret_cast<intptr_t>(name.c_str())))
                return false;
            break;
        }
        }
    }
    // Folder times last: creating entries inside a folder changes its time.
    for (const auto &[folderPath, time] : folderTimes) vk::fs::SetWriteTime(folderPath, FileTimeFromUnix(time));

    if (entries > 0 && unpacked == 0) return false;
    if (!ProgressComplete(sink)) return false;
    return SendText(sink, ARC_EVENT_SUMMARY, UnzipSummary(unpacked, entries, state.bytesUnpacked, refused));
}

bool ListEntries(ReadSession &session, EventSink &sink) {
    if (session.za == nullptr) return false;
    const zip_int64_t count = zip_get_num_entries(session.za, 0);
    if (count < 0) return false;
    const zip_uint64_t entries = static_cast<zip_uint64_t>(count);
    if (!Send(sink, ARC_EVENT_START, static_cast<intptr_t>(entries))) return false;

    // The names first, then the data of every file entry that passed them:
    // an entry that would not unpack (damaged data, a wrong CRC, more data
    // than declared) is refused here as an extraction would refuse it.
    std::vector<EntryFacts> facts;
    facts.reserve(static_cast<size_t>(entries));
    std::vector<EntryToCheck> toCheck;
    std::vector<size_t> checkOf(static_cast<size_t>(entries), SIZE_MAX);
    uint64_t total = 0;
    for (zip_uint64_t i = 0; i < entries; ++i) {
        facts.push_back(ReadEntryFacts(session.za, i));
        const EntryFacts &f = facts.back();
        if (!f.haveStat || !f.path.safe || f.special || f.folder) continue;
        checkOf[i] = toCheck.size();
        const uint64_t declared = (f.st.valid & ZIP_STAT_SIZE) ? f.st.size : UINT64_MAX;
        toCheck.push_back(EntryToCheck{i, declared});
        if (declared != UINT64_MAX) total += declared;
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> bytesDone{0};
    std::vector<bool> sound;
    {
        // The check runs on other threads (the archive's handle goes with
        // it); this one follows it for the progress events and the cancel
        // flag.
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::thread check([&] {
            std::vector<bool> result = CheckEntries(session.za, session.archive, toCheck, stop, bytesDone);
            std::lock_guard<std::mutex> lock(mutex);
            sound = std::move(result);
            done = true;
            finished.notify_all();
        });
        sink.totalBytes = total == 0 ? 1 : total;
        bool goOn = true;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                if (finished.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; })) break;
            }
            if (goOn) goOn = Progress(sink, bytesDone.load(std::memory_order_relaxed));
            if (!goOn) stop = true;
        }
        check.join();
        if (!goOn) return false;
    }

    uint64_t listed = 0;
    uint64_t refused = 0;
    uint64_t bytes = 0;
    for (zip_uint64_t i = 0; i < entries; ++i) {
        const EntryFacts &f = facts[static_cast<size_t>(i)];
        const bool dataSound = checkOf[i] == SIZE_MAX || sound[checkOf[i]];
        if (!f.haveStat || !f.path.safe || f.special || !dataSound) {
            ++refused;
            if (!Send(sink, ARC_EVENT_CANNOT_UNPACK, reinterpret_cast<intptr_t>(f.storedName.c_str()))) return false;
            continue;
        }
        ++listed;
        if (f.st.valid & ZIP_STAT_SIZE) bytes += f.st.size;
        const std::string relative = JoinEntryPath(EntryPath{true, false, f.path.parts});
        const std::u16string name = vk::text::FromUtf8(f.folder ? relative + "/" : relative);
        if (!Send(sink, f.folder ? ARC_EVENT_FOLDER : ARC_EVENT_FILE, reinterpret_cast<intptr_t>(name.c_str())))
            return false;
    }
    if (entries > 0 && listed == 0) return false;
    if (!ProgressComplete(sink)) return false;
    return SendText(sink, ARC_EVENT_SUMMARY, UnzipSummary(listed, entries, bytes, refused));
}

bool ExtractNamed(ReadSession &session, std::u16string_view destination, const std::vector<std::string> &names) {
    if (session.za == nullptr || destination.empty()) return false;
    ExtractState state;
    state.za = session.za;
    state.root = std::u16string(destination);
    if (state.root.back() != vk::fs::kSep) state.root += vk::fs::kSep;
    if (!vk::fs::IsDirectory(state.root)) return false;
    state.folders.insert(std::string());
    EventSink quiet;
    for (const std::string &name : names) {
        const std::optional<zip_uint64_t> index = FindEntry(session, name);
        if (!index) continue;
        // Unpacked under its stored name (its own letter case).
        const EntryFacts facts = ReadEntryFacts(session.za, *index);
        const EntryPath &path = facts.path;
        if (!EnsureFolders(state, path, path.parts.size() - 1)) return false;
        const uint64_t declared = (facts.st.valid & ZIP_STAT_SIZE) ? facts.st.size : UINT64_MAX;
        if (ExtractFile(state, *index, JoinEntryPath(path), declared, UnpackedPermissions(facts.opsys, facts.attributes),
                        EntryTime(session.za, *index, facts.st), quiet) != Outcome::Done)
            return false;
    }
    return true;
}

} // namespace vk::arc

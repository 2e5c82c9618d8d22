// Writing an archive: ArcCreate, then the additions (ArcAddFile,
// ArcAddArchive, ArcAddFolder), then ArcFinish.
//
// The additions only collect entries: file data is read when it is added
// and deflated in parallel (entry_pool), entries of an existing archive are
// taken as they are stored there. ArcFinish builds the new archive in a
// temporary file beside the archive path from the collected entries (libzip
// copies the raw deflate data without compressing again) and only renames it
// over the old archive when it is complete and on disk, so the old archive
// survives every failure and every cancel.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <random>

#include "arczip32/entry_names.h"
#include "arczip32/entry_pool.h"
#include "arczip32/file_times.h"
#include "arczip32/folder_scan.h"
#include "arczip32/raw_source.h"
#include "arczip32/sessions.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::arc {

namespace {

constexpr auto kEventWait = std::chrono::milliseconds(50);
// Files up to this size are read whole and deflated by the pool; larger ones
// are deflated while they are read.
constexpr uint64_t kDirectBytes = 4ull << 20;

// An archive without entries: only the end-of-central-directory record.
constexpr char kEmptyZip[22] = {'P', 'K', 5, 6};

std::u16string RandomTag() {
    static std::atomic<uint32_t> counter{0};
    std::random_device device;
    const uint32_t value = device() ^ (counter.fetch_add(1) * 0x9E3779B9u);
    static const char digits[] = "0123456789abcdef";
    std::u16string tag;
    for (int shift = 28; shift >= 0; shift -= 4) tag += static_cast<char16_t>(digits[(value >> shift) & 0xF]);
    return tag;
}

// Creates a new, empty temporary file beside `path` and returns its name
// ("" on failure).
std::u16string ReserveTempBeside(std::u16string_view path) {
    const std::u16string folder = vk::fs::ParentFolder(path);
    for (int attempt = 0; attempt < 32; ++attempt) {
        const std::u16string temp = folder + u".~arc" + vk::fs::RunTag() + u"." + RandomTag() + u".tmp";
        vk::fs::Writer writer;
        // Readable by its owner only: an archive holds settings, licence
        // files and the like, whatever the permissions of its folder.
        if (writer.Open(temp, false, 0600)) {
            if (writer.Close()) return temp;
            vk::fs::DeleteFile(temp);
            return {};
        }
        if (vk::fs::LastError() != vk::fs::kErrorFileExists) return {};
    }
    return {};
}

int CancelCallback(zip_t *, void *flag) { return CancelFlagSet(static_cast<const int32_t *>(flag)) ? 1 : 0; }

bool SetTimestampField(zip_t *za, zip_uint64_t index, int64_t mtime) {
    const std::string data = ExtendedTimestamp(mtime);
    if (data.empty()) return true;
    const zip_flags_t where = ZIP_FL_LOCAL | ZIP_FL_CENTRAL;
    const zip_uint16_t slot =
        zip_file_extra_fields_count_by_id(za, index, kExtendedTimestampId, where) > 0 ? 0 : ZIP_EXTRA_FIELD_NEW;
    return zip_file_extra_field_set(za, index, kExtendedTimestampId, slot,
                                    reinterpret_cast<const zip_uint8_t *>(data.data()),
                                    static_cast<zip_uint16_t>(data.size()), where) == 0;
}

// The modification time of entry `index` of a source archive: the exact
// time of an extended timestamp when it has one, else its DOS time.
int64_t SourceTime(zip_t *za, zip_uint64_t index, const zip_stat_t &st) {
    zip_uint16_t length = 0;
    const zip_uint8_t *data = zip_file_extra_field_get_by_id(za, index, kExtendedTimestampId, 0, &length, ZIP_FL_CENTRAL);
    if (data != nullptr) {
        if (auto t = ReadExtendedTimestamp(std::string_view(reinterpret_cast<const char *>(data), length))) return *t;
    }
    return (st.valid & ZIP_STAT_MTIME) ? static_cast<int64_t>(st.mtime) : 0;
}

// Writes one collected entry into the archive being built.
bool WriteEntry(WriteSession &session, const PendingEntry &entry) {
    zip_t *za = session.za;
    zip_int64_t index = -1;
    switch (entry.kind) {
    case PendingEntry::Kind::Folder:
        index = zip_dir_add(za, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        if (index < 0) return false;
        if (zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), static_cast<time_t>(entry.mtime), 0) != 0)
            return false;
        break;
    case PendingEntry::Kind::Compressed:
    case PendingEntry::Kind::Copied: {
        zip_source_t *source =
            entry.kind == PendingEntry::Kind::Compressed
                ? MakeRawDeflateSource(za, session.store, entry.data, static_cast<time_t>(entry.mtime))
                : zip_source_zip(za, entry.from, entry.fromIndex, ZIP_FL_COMPRESSED, 0, -1);
        if (source == nullptr) return false;
        index = zip_file_add(za, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        break;
    }
    }
    const zip_uint64_t at = static_cast<zip_uint64_t>(index);
    if (zip_file_set_external_attributes(za, at, 0, ZIP_OPSYS_UNIX, entry.attributes) != 0) return false;
    return SetTimestampField(za, at, entry.mtime);
}

bool Fail(WriteSession &session) {
    session.failed = true;
    return false;
}

bool Cancelled(const int32_t *cancelFlag) { return CancelFlagSet(cancelFlag); }

// A new entry at the end; the name's earlier entry (if any) gives way to it
// but keeps its place in the archive.
PendingEntry &NewEntry(WriteSession &session, PendingEntry::Kind kind, std::string name) {
    session.entries.emplace_back();
    PendingEntry &entry = session.entries.back();
    entry.kind = kind;
    entry.name = std::move(name);
    const size_t at = session.entries.size() - 1;
    session.firstOf.emplace(entry.name, at);
    session.lastOf[entry.name] = at;
    return entry;
}

bool Counts(const WriteSession &session, size_t at) {
    const auto found = session.lastOf.find(session.entries[at].name);
    return found != session.lastOf.end() && found->second == at;
}

// Waits until entry `at` is compressed, sending progress while it waits:
// the bytes of the entries announced so far and what the pool deflated
// since the last of them.
bool WaitDone(WriteSession &session, size_t at, EventSink &sink, uint64_t bytesBefore, uint64_t poolBefore) {
    PendingEntry &entry = session.entries[at];
    if (entry.kind != PendingEntry::Kind::Compressed) return true;
    while (!session.pool.WaitFor(entry, kEventWait)) {
        const uint64_t more = session.pool.BytesDone() - poolBefore;
        if (!Progress(sink, bytesBefore + std::min(more, entry.size))) return false;
    }
    return entry.ok;
}

} // namespace

WriteSession::~WriteSession() {
    pool.Stop();
    if (za != nullptr) zip_discard(za);
    for (zip_t *source : sources) zip_discard(source);
    if (!temp.empty()) vk::fs::DeleteFile(temp);
}

std::unique_ptr<WriteSession> CreateArchive(std::u16string_view path) {
    if (path.empty()) return nullptr;
    vk::fs::FileInfo info;
    if (vk::fs::Stat(path, info) && info.directory) return nullptr;
    // Nothing is written before ArcFinish: a folder that cannot take the
    // archive fails the finish, and the entries collected until then count.
    auto session = std::make_unique<WriteSession>();
    session->archive = path;
    return session;
}

bool AddFile(WriteSession &session, std::string_view name, std::u16string_view path, const int32_t *cancelFlag) {
    if (session.failed || name.empty()) return false;
    // Settings files written through the ini engine must be on disk before
    // they are read for the archive.
    if (!vk::ini::FlushBeforeFileRead(path)) return false;
    if (vk::fs::InjectedFault(vk::fs::Op::Open)) return false;
    vk::fs::File file;
    if (!file.Open(path)) return false;
    PendingEntry pending;
    pending.mtime = file.ModifiedUnixSeconds();
    pending.attributes = FileAttributes(file.Permissions() & 0777u);
    const uint64_t size = file.Size();
    pending.size = size;

    std::string data;
    if (size <= kDirectBytes) {
        // Read now, whole; deflated by the pool.
        // One byte more than the file holds: a read that fills it shows that
        // the file grew meanwhile. The queue counts what it holds by size, so
        // no spare room may stay with the data.
        data.resize(static_cast<size_t>(size) + 1);
        size_t got = 0;
        for (;;) {
            if (got == data.size()) data.resize(got + 65536); // the file grew
            const int64_t n = file.Read(data.data() + got, data.size() - got);
            if (n < 0) return false;
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        data.resize(got);
        if (data.capacity() > got + got / 8 + 64) data.shrink_to_fit();
        pending.size = got;
    }
    PendingEntry &entry = NewEntry(session, PendingEntry::Kind::Compressed, std::string(name));
    entry.eventName = vk::text::FromUtf8(entry.name);
    entry.mtime = pending.mtime;
    entry.attributes = pending.attributes;
    entry.size = pending.size;
    if (size > kDirectBytes) {
        // A large file is deflated here, streamed, while the pool goes on
        // with the small ones: memory stays small whatever its size.
        entry.ok = DeflateStream(file, session.store, entry.data, nullptr, nullptr);
        entry.done = true;
        entry.size = entry.data.size;
        if (!entry.ok) {
            vk::fs::SetLastError(vk::fs::kErrorDiskFull);
            return Fail(session);
        }
        return true;
    }
    if (!session.pool.Submit(entry, std::move(data), {}, [&] { return Cancelled(cancelFlag); })) return Fail(session);
    return true;
}

bool AddArchive(WriteSession &session, std::u16string_view path) {
    if (session.failed) return false;
    int error = 0;
    zip_t *source = zip_open(vk::text::NativePath(path).c_str(), ZIP_RDONLY, &error);
    if (source == nullptr) return false;
    session.sources.push_back(source);
    const zip_int64_t count = zip_get_num_entries(source, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        const char *stored = zip_get_name(source, index, ZIP_FL_ENC_GUESS);
        if (stored == nullptr || zip_stat_index(source, index, 0, &st) != 0) return Fail(session);
        std::string name = stored;
        const bool folder = !name.empty() && name.back() == '/';
        if (folder) name.pop_back();
        if (name.empty()) continue;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(source, index, 0, &opsys, &attributes) != 0) return Fail(session);
        PendingEntry &entry = NewEntry(session, folder ? PendingEntry::Kind::Folder : PendingEntry::Kind::Copied, name);
        entry.eventName = vk::text::FromUtf8(folder ? name + "/" : name);
        entry.from = source;
        entry.fromIndex = index;
        entry.mtime = SourceTime(source, index, st);
        entry.attributes = opsys == ZIP_OPSYS_UNIX ? attributes : (folder ? FolderAttributes() : FileAttributes(0644));
        entry.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        entry.done = true;
    }
    return true;
}

bool HasEntry(const WriteSession &session, std::string_view name) {
    return session.lastOf.count(std::string(name)) != 0;
}

bool AddFolder(WriteSession &session, std::u16string_view folder, EventSink &sink) {
    if (session.failed || folder.empty()) return Fail(session);
    // Settings files written through the ini engine must be on disk before
    // they are read for the archive.
    vk::ini::Flush(nullptr);

    std::vector<SourceItem> items;
    if (!ScanFolder(std::filesystem::path(std::u16string(folder)), std::filesystem::path(session.archive), items))
        return Fail(session);
    const size_t firstNew = session.entries.size();
    for (SourceItem &item : items) {
        PendingEntry &entry =
            NewEntry(session, item.directory ? PendingEntry::Kind::Folder : PendingEntry::Kind::Compressed, item.name);
        entry.eventName = item.eventName;
        entry.mtime = item.mtime;
        entry.attributes = item.directory ? FolderAttributes() : FileAttributes(item.permissions);
        entry.size = item.directory ? 0 : item.size;
        if (item.directory) entry.done = true;
    }
    // Every entry not announced yet: the files added before and this folder's.
    uint64_t count = 0;
    uint64_t totalBytes = 0;
    for (size_t at = 0; at < session.entries.size(); ++at) {
        if (session.entries[at].announced || !Counts(session, at)) continue;
        ++count;
        totalBytes += session.entries[at].size;
    }
    sink.totalBytes = totalBytes;
    if (!Send(sink, ARC_EVENT_START, static_cast<intptr_t>(count))) return Fail(session);
    for (size_t at = firstNew; at < session.entries.size(); ++at) {
        PendingEntry &entry = session.entries[at];
        if (entry.kind != PendingEntry::Kind::Compressed) continue;
        const SourceItem &item = items[at - firstNew];
        if (!session.pool.Submit(entry, std::string(), item.path, [&] { return !GoOn(sink); })) return Fail(session);
    }

    uint64_t bytes = 0;
    uint64_t compressedBytes = 0;
    uint64_t poolBefore = session.pool.BytesDone();
    for (size_t at = 0; at < session.entries.size(); ++at) {
        PendingEntry &entry = session.entries[at];
        if (entry.announced || !Counts(session, at)) continue;
        if (!WaitDone(session, at, sink, bytes, poolBefore)) return Fail(session);
        poolBefore = session.pool.BytesDone();
        entry.announced = true;
        bytes += entry.size;
        compressedBytes += entry.kind == PendingEntry::Kind::Compressed ? entry.data.compressedSize : 0;
        const int event = entry.kind == PendingEntry::Kind::Folder ? ARC_EVENT_FOLDER : ARC_EVENT_FILE;
        if (!Send(sink, event, reinterpret_cast<intptr_t>(entry.eventName.c_str()))) return Fail(session);
        if (!Progress(sink, bytes)) return Fail(session);
    }
    if (!ProgressComplete(sink)) return Fail(session);
    if (!SendText(sink, ARC_EVENT_SUMMARY, ZipSummary(count, bytes, compressedBytes))) return Fail(session);
    return true;
}

bool FinishArchive(WriteSession &session, const int32_t *cancelFlag) {
    if (session.failed || Cancelled(cancelFlag)) return false;
    // Every compressed entry must be complete.
    for (size_t at = 0; at < session.entries.size(); ++at) {
        if (!Counts(session, at)) continue;
        while (!session.pool.WaitFor(session.entries[at], kEventWait)) {
            if (session.entries[at].kind != PendingEntry::Kind::Compressed) break;
            if (Cancelled(cancelFlag)) return false;
        }
        if (!session.entries[at].ok) return false;
    }
    session.pool.Stop();

    if (session.lastOf.empty()) {
        // libzip writes no file for an archive without entries; an empty ZIP
        // is still an archive.
        session.temp = ReserveTempBeside(session.archive);
        vk::fs::Writer writer;
        if (session.temp.empty() || !writer.Open(session.temp, true) || !writer.Write(kEmptyZip, sizeof kEmptyZip) ||
            !writer.Close())
            return false;
    } else {
        session.temp = ReserveTempBeside(session.archive);
        if (session.temp.empty()) return false;
        int error = 0;
        session.za = zip_open(vk::text::NativePath(session.temp).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (session.za == nullptr) return false; // the destructor removes the temporary file
        // Each name once, at the place of its first entry, with its last entry's content.
        for (size_t at = 0; at < session.entries.size(); ++at) {
            const PendingEntry &entry = session.entries[at];
            if (session.firstOf.at(entry.name) != at) continue;
            if (!WriteEntry(session, session.entries[session.lastOf.at(entry.name)])) return false;
        }
        zip_register_cancel_callback_with_state(session.za, CancelCallback, nullptr,
                                                const_cast<int32_t *>(cancelFlag));
        if (zip_close(session.za) != 0) return false; // the destructor discards it
        session.za = nullptr;
    }
    // The entries kept from the old archive are copied now: let it go, so the
    // new archive can take its place (Windows renames nothing over a file
    // that is still open).
    for (zip_t *source : session.sources) zip_discard(source);
    session.sources.clear();

    if (!vk::fs::SyncFile(session.temp)) return false;
    if (Cancelled(cancelFlag)) return false;
    if (!vk::fs::MoveFile(session.temp, session.archive)) return false;
    session.temp.clear();
    vk::fs::SyncFile(vk::fs::ParentFolder(session.archive)); // make the rename durable; best effort
    return true;
}

} // namespace vk::arc

// Writing an archive: ArcCreate, ArcAddFolder, ArcFinish.
//
// The new archive is built in a temporary file beside the archive path and
// only renamed over it when it is complete and on disk, so the old archive
// survives every failure and every cancel. The files are deflated in parallel
// (deflate_pool) into spool files and handed to libzip as raw deflate data,
// which libzip copies without compressing again; ArcFinish then only copies
// bytes.
#include <atomic>
#include <chrono>
#include <random>

#include "arczip32/deflate_pool.h"
#include "arczip32/entry_names.h"
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

// Adds one finished item to the archive being built.
bool AddItem(zip_t *za, const SourceItem &item, const CompressedEntry &compressed) {
    zip_int64_t index = -1;
    if (item.directory) {
        index = zip_name_locate(za, (item.name + "/").c_str(), ZIP_FL_ENC_RAW);
        if (index < 0) index = zip_dir_add(za, item.name.c_str(), ZIP_FL_ENC_UTF_8);
        if (index < 0) return false;
        if (zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), static_cast<time_t>(item.mtime), 0) != 0)
            return false;
    } else {
        zip_source_t *source = MakeRawDeflateSource(za, compressed, static_cast<time_t>(item.mtime));
        if (source == nullptr) return false;
        index = zip_file_add(za, item.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
    }
    const zip_uint64_t at = static_cast<zip_uint64_t>(index);
    const uint32_t attributes = item.directory ? FolderAttributes() : FileAttributes(item.permissions);
    if (zip_file_set_external_attributes(za, at, 0, ZIP_OPSYS_UNIX, attributes) != 0) return false;
    return SetTimestampField(za, at, item.mtime);
}

bool Fail(WriteSession &session) {
    session.failed = true;
    return false;
}

} // namespace

WriteSession::~WriteSession() {
    if (za != nullptr) zip_discard(za);
    spools.clear();
    if (!spoolFolder.empty()) vk::fs::RemoveTree(spoolFolder);
    if (!temp.empty()) vk::fs::DeleteFile(temp);
}

std::unique_ptr<WriteSession> CreateArchive(std::u16string_view path) {
    if (path.empty()) return nullptr;
    vk::fs::FileInfo info;
    if (vk::fs::Stat(path, info) && info.directory) return nullptr;
    auto session = std::make_unique<WriteSession>();
    session->archive = path;
    session->temp = ReserveTempBeside(path);
    if (session->temp.empty()) return nullptr;
    int error = 0;
    session->za = zip_open(vk::text::NativePath(session->temp).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (session->za == nullptr) return nullptr; // the destructor removes the temporary file
    return session;
}

bool AddFolder(WriteSession &session, std::u16string_view folder, EventSink &sink) {
    if (session.za == nullptr || session.failed || folder.empty()) return Fail(session);
    // Settings files written through the ini engine must be on disk before
    // they are read for the archive.
    vk::ini::Flush(nullptr);

    std::vector<SourceItem> items;
    if (!ScanFolder(std::filesystem::path(std::u16string(folder)), std::filesystem::path(session.temp), items))
        return Fail(session);
    uint64_t totalBytes = 0;
    for (const SourceItem &item : items) totalBytes += item.size;
    sink.totalBytes = totalBytes;
    if (!Send(sink, ARC_EVENT_START, static_cast<intptr_t>(items.size()))) return Fail(session);

    if (session.spoolFolder.empty()) {
        const std::u16string prefix = u"arczip" + vk::fs::RunTag() + u"_";
        session.spoolFolder = vk::fs::MakeUniqueFolder(vk::fs::TempDirectory(), prefix);
        if (session.spoolFolder.empty()) return Fail(session);
    }
    std::vector<CompressedEntry> compressed;
    DeflatePool pool;
    if (!pool.Start(items, compressed, std::filesystem::path(session.spoolFolder), session.spools))
        return Fail(session);

    uint64_t bytes = 0;
    uint64_t compressedBytes = 0;
    for (size_t b = 0; b < pool.BatchCount(); ++b) {
        const Batch *batch = nullptr;
        while ((batch = pool.WaitFor(b, kEventWait)) == nullptr) {
            if (!Progress(sink, pool.BytesDone())) return Fail(session);
        }
        if (!batch->ok) return Fail(session);
        for (size_t i = batch->first; i < batch->end; ++i) {
            if (!AddItem(session.za, items[i], compressed[i])) return Fail(session);
            ++session.entries;
            bytes += compressed[i].size;
            compressedBytes += compressed[i].compressedSize;
            const int event = items[i].directory ? ARC_EVENT_FOLDER : ARC_EVENT_FILE;
            if (!Send(sink, event, reinterpret_cast<intptr_t>(items[i].eventName.c_str()))) return Fail(session);
        }
        if (!Progress(sink, pool.BytesDone())) return Fail(session);
    }
    pool.Stop();
    for (const auto &spool : session.spools) {
        if (!spool->Flush()) return Fail(session);
    }
    if (!ProgressComplete(sink)) return Fail(session);
    if (!SendText(sink, ARC_EVENT_SUMMARY, ZipSummary(items.size(), bytes, compressedBytes))) return Fail(session);
    return true;
}

bool FinishArchive(WriteSession &session, const int32_t *cancelFlag) {
    if (session.za == nullptr || session.failed || CancelFlagSet(cancelFlag)) return false;

    if (session.entries == 0) {
        // libzip writes no file for an archive without entries; an empty ZIP
        // is still an archive.
        zip_discard(session.za);
        session.za = nullptr;
        vk::fs::Writer writer;
        if (!writer.Open(session.temp, true) || !writer.Write(kEmptyZip, sizeof kEmptyZip) || !writer.Close())
            return false;
    } else {
        zip_register_cancel_callback_with_state(session.za, CancelCallback, nullptr,
                                                const_cast<int32_t *>(cancelFlag));
        if (zip_close(session.za) != 0) return false; // the destructor discards it
        session.za = nullptr;
    }

    if (!vk::fs::SyncFile(session.temp)) return false;
    if (CancelFlagSet(cancelFlag)) return false;
    if (!vk::fs::MoveFile(session.temp, session.archive)) return false;
    session.temp.clear();
    vk::fs::SyncFile(vk::fs::ParentFolder(session.archive)); // make the rename durable; best effort
    return true;
}

} // namespace vk::arc

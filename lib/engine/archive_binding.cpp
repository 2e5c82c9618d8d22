#include "lib/engine/archive_binding.h"

#include <fstream>

#include "arczip32/arczip32.h"
#include "common/format.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/file_items.h"
#include "lib/engine/metadata.h"
#include "lib/resources/library_dialogs.h"
#include "lib/services/center_window.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

// One archive operation at a time per process.
struct ProgressState {
    VKHWND window = nullptr;
    VKHWND bar = nullptr;
    intptr_t counter = 0;
    intptr_t total = 0;
    int refused = 0; // entries of the current unpacking that were refused
    bool lostMetadata = false; // "Backup.why" was one of them
    UnpackRefusal refusal = UnpackRefusal::None;
};

ProgressState &State() {
    static ProgressState state;
    return state;
}

ArcRequestProc RequestProc(int ordinal) { return reinterpret_cast<ArcRequestProc>(ArcProcByOrdinal(ordinal)); }
ArcAddFolderProc AddFolderProc() { return reinterpret_cast<ArcAddFolderProc>(ArcProcByOrdinal(8)); }

intptr_t ProgressWindowProc(VKHWND, uint32_t, uintptr_t, intptr_t) { return 0; }

void CreateProgressWindow(const BackupJob &job) {
    ProgressState &s = State();
    const VKHMODULE module = VKGetLibraryModule();
    s.window = vk::ui::CreateDialog(module, vk::lib::kDialogProgress, job.owner, &ProgressWindowProc, 0);
    if (!s.window) {
        s.bar = nullptr;
        return;
    }
    vk::ui::SetWindowText(s.window, LMGetString(module, 2528));
    vk::lib::CenterWindowOver(job.owner, s.window);
    s.bar = vk::ui::GetDlgItem(s.window, vk::lib::kProgressBar);
    if (s.bar) vk::ui::ProgressSetPos(s.bar, 0);
    vk::ui::ShowWindow(s.window, true);
}

void DestroyProgressWindow() {
    ProgressState &s = State();
    if (s.window && vk::ui::IsWindow(s.window)) vk::ui::DestroyWindow(s.window);
    s.window = nullptr;
    s.bar = nullptr;
}

void AdvanceBar() {
    ProgressState &s = State();
    if (!s.bar || !vk::ui::IsWindow(s.bar)) return;
    ++s.counter;
    if (s.total <= 0) return;
    vk::ui::ProgressSetPos(s.bar, static_cast<int>(static_cast<double>(s.counter) * 100.0 /
                                                   static_cast<double>(s.total)));
}

const char16_t *AsText(intptr_t value) { return reinterpret_cast<const char16_t *>(value); }

} // namespace

int ArchiveEvent(int event, void *context, intptr_t value) {
    auto *job = static_cast<BackupJob *>(context);
    if (!job) return 1;
    ProgressState &s = State();
    switch (event) {
    case ARC_EVENT_START:
        DestroyProgressWindow(); // one window per archive operation
        if (job->progress) job->progress(1, 0, AsText(value));
        s.counter = 0;
        s.total = value;
        if (value > kProgressWindowThreshold && (job->flags & VKF_PROGRESS_WINDOW)) CreateProgressWindow(*job);
        break;
    case ARC_EVENT_FILE:
    case ARC_EVENT_FOLDER: {
        const char16_t *name = AsText(value);
        // Only this exact spelling is the job's own metadata file.
        if (!job->progress || vk::text::View(name) == kMetadataName) break;
        if (event == ARC_EVENT_FILE) {
            if (IsBackup(*job)) {
                job->progress(2, 0, name);
            } else {
                const std::u16string destination = TranslateEntry(*job, vk::text::View(name), 0);
                job->progress(2, 0, destination.c_str());
            }
        } else {
            job->progress(3, 0, name);
        }
        AdvanceBar();
        break;
    }
    case ARC_EVENT_PROGRESS:
        if (job->progress) job->progress(4, 0, AsText(value));
        break;
    case ARC_EVENT_CANNOT_UNPACK:
        ++s.refused;
        if (!IsBackup(*job)) job->damagedEntries.insert(FoldedEntryName(vk::text::View(AsText(value))));
        if (vk::text::EqualNoCase(vk::text::View(AsText(value)), kMetadataName)) s.lostMetadata = true;
        if (job->progress) job->progress(13, 0, AsText(value));
        if (!(job->flags & VKF_QUIET)) ShowCannotUnpack(job->owner, AsText(value));
        return 1;
    case ARC_EVENT_SUMMARY:
        if (job->progress) job->progress(5, 0, AsText(value));
        break;
    default: break;
    }
    return Cancelled(*job) ? 0 : 1;
}

int ZipWorkFolder(BackupJob &job) {
    // The archiver reads the files itself: pending ini writes (Backup.why,
    // the main properties copy) must be on disk first, or the archive would
    // miss them.
    if (job.workFolder.empty() || !vk::ini::FlushBeforeFileRead(job.workFolder) || !OpenArchiveWriter(job)) {
        CloseArchiveSession(job);
        return 0;
    }
    // The entries the file items added are already in the session; the work
    // folder adds the generated ones, and the events cover them all.
    ArchiveRequest &request = job.archive.request;
    request.word[ARC_WORD_CALLBACK] = reinterpret_cast<intptr_t>(&ArchiveEvent);
    request.word[ARC_WORD_CONTEXT] = reinterpret_cast<intptr_t>(&job);
    request.word[ARC_WORD_CANCEL] = reinterpret_cast<intptr_t>(job.cancelFlag);
    const bool added = AddFolderProc()(&request, job.workFolder.c_str()) != 0;
    const int finished = RequestProc(4)(&request);
    request = ArchiveRequest{};
    DestroyProgressWindow();
    return added ? finished : 0;
}

int UnpackArchive(BackupJob &job) {
    ArchiveRequest request{};
    request.word[ARC_WORD_ARCHIVE] = reinterpret_cast<intptr_t>(job.archivePath.c_str());
    request.word[ARC_WORD_DESTINATION] = reinterpret_cast<intptr_t>(job.workFolder.c_str());
    request.word[ARC_WORD_CALLBACK] = reinterpret_cast<intptr_t>(&ArchiveEvent);
    request.word[ARC_WORD_CONTEXT] = reinterpret_cast<intptr_t>(&job);
    State().bar = nullptr;
    State().refused = 0;
    State().lostMetadata = false;
    State().refusal = UnpackRefusal::None;

    const ArcRequestProc open = RequestProc(5);
    const ArcRequestProc extract = RequestProc(6);
    const ArcRequestProc close = RequestProc(7);
    const auto size = reinterpret_cast<ArcSizeProc>(ArcProcByOrdinal(9));
    int result = 0;
    if (open && extract && close && size && open(&request)) {
        // An archive that declares more than the temporary folder can take is
        // refused before anything is written: unpacked, it would fill the disk.
        uint64_t entries = 0;
        uint64_t bytes = 0;
        const uint64_t room = vk::fs::FreeSpace(job.workFolder);
        if (size(&request, &entries, &bytes) && room != UINT64_MAX &&
            bytes > (room > kUnpackMarginBytes ? room - kUnpackMarginBytes : 0)) {
            State().refusal = UnpackRefusal::NoRoom;
        } else {
            result = extract(&request);
        }
        close(&request);
    }
    DestroyProgressWindow();
    return result;
}

int OpenArchiveForItems(BackupJob &job) {
    State().bar = nullptr;
    State().refused = 0;
    State().lostMetadata = false;
    State().refusal = UnpackRefusal::None;
    const auto size = reinterpret_cast<ArcSizeProc>(ArcProcByOrdinal(9));
    int result = 0;
    if (size && OpenArchiveReader(job)) {
        // An archive that declares more than the temporary folder can take is
        // refused before anything is written, as an unpacking refuses it.
        uint64_t entries = 0;
        uint64_t bytes = 0;
        const uint64_t room = vk::fs::FreeSpace(job.workFolder);
        if (size(&job.archive.request, &entries, &bytes) && room != UINT64_MAX &&
            bytes > (room > kUnpackMarginBytes ? room - kUnpackMarginBytes : 0)) {
            State().refusal = UnpackRefusal::NoRoom;
        } else {
            // "Backup.why" first: the announcements translate entry names
            // through its records. Then the entries are announced as an
            // unpacking announces them (codes 1 to 5), without unpacking them.
            if (!UnpackEntries(job, {std::u16string(kMetadataName)})) {
                ShowCannotUnpack(job.owner, kMetadataName);
                ++State().refused;
                State().lostMetadata = true;
            }
            result = RequestProc(14)(&job.archive.request) != 0 ? 1 : 0;
        }
    }
    DestroyProgressWindow();
    if (!result) CloseArchiveSession(job);
    return result;
}

bool UnpackEntries(BackupJob &job, const std::vector<std::u16string> &entries) {
    if (!HasArchiveSession(job) || job.archive.writes) return false;
    std::vector<const char16_t *> names;
    for (const std::u16string &entry : entries) names.push_back(entry.c_str());
    job.archive.request.word[ARC_WORD_DESTINATION] = reinterpret_cast<intptr_t>(job.workFolder.c_str());
    const auto extract = reinterpret_cast<ArcNamesProc>(ArcProcByOrdinal(15));
    return extract(&job.archive.request, names.data(), static_cast<int>(names.size())) != 0;
}

void ShowCannotUnpack(VKHWND owner, const char16_t *name) {
    char16_t text[510];
    vk::FormatBounded(text, 510, u"Problem unzipping %s to temp folder", name ? name : u"");
    vk::ui::MessageBox(owner, text, LMGetString(VKGetLibraryModule(), 2960), vk::ui::kMbOk | vk::ui::kMbIconWarning);
}

int LastUnpackRefusals() { return State().refused; }
bool LastUnpackLostMetadata() { return State().lostMetadata; }
UnpackRefusal LastUnpackRefusal() { return State().refusal; }

bool MayBeZipArchive(std::u16string_view path) {
    std::ifstream in(vk::text::NativePath(path), std::ios::binary);
    char head[4] = {};
    if (!in.read(head, 4)) {
        // Shorter than a signature (an empty file): no archive. Unreadable: maybe.
        return !in.eof();
    }
    const std::string_view signature(head, 4);
    return signature == std::string_view("PK\x03\x04", 4) || signature == std::string_view("PK\x05\x06", 4) ||
           signature == std::string_view("PK\x07\x08", 4);
}

VKHWND ProgressWindow() { return vk::ui::IsWindow(State().window) ? State().window : nullptr; }
VKHWND ProgressBar() { return vk::ui::IsWindow(State().bar) ? State().bar : nullptr; }

} // namespace vk::engine

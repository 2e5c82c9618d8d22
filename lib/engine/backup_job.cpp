// The backup job: VKBackupInit, VKBackup and VKBackupClose.
#include <string>

#include "common/file_helpers.h"
#include "lib/engine/archive_binding.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/archive_choice.h"
#include "lib/engine/file_items.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/installation_bounds.h"
#include "lib/engine/job.h"
#include "lib/engine/job_report.h"
#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "lib/engine/work_folder.h"
#include "lib/resources/library_dialogs.h"
#include "lib/services/center_window.h"
#include "lib/services/profile.h"
#include "lib/tools/service_item.h"
#include "lib/tools/tool_item.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

constexpr char16_t kServicesArchiveEnding[] = u".serv.vkb";

const char16_t *Text(uint32_t id) { return LMGetString(VKGetLibraryModule(), id); }

std::u16string Decimal(uint64_t n) { return vk::text::U16(std::to_string(n)); }

// The Save dialog of a backup; "" when cancelled. A new name without the
// first extension gets it.
std::u16string ChooseBackupArchive(const BackupJob &job, const char16_t *path) {
    const std::vector<std::u16string> extensions = SplitExtensions(job.extensions);
    std::u16string pattern;
    for (const std::u16string &ext : extensions) pattern += (pattern.empty() ? u"*" : u";*") + ext;
    const std::u16string title = Text(2975);
    std::u16string chosen = ChooseArchive(job.owner, true, path, title, title, pattern);
    if (chosen.empty()) return chosen;
    const std::u16string first = extensions.empty() ? std::u16string() : extensions.front();
    if (!vk::FileExists(chosen.c_str()) && !vk::text::EndsWithNoCase(FileName(chosen), first)) chosen += first;
    return chosen;
}

bool IsServicesArchive(std::u16string_view archivePath) {
    const std::u16string_view name = FileName(archivePath);
    const size_t ending = std::char_traits<char16_t>::length(kServicesArchiveEnding);
    return name.size() > ending && vk::text::EndsWithNoCase(name, kServicesArchiveEnding);
}

// Takes over the content of the existing archive: it is unpacked by the
// restore side and its work folder becomes this job's. On failure the note
// "File is not a valid backup" is shown (with the dialog's second paragraph
// when the Append button asked).
bool AppendToArchive(BackupJob &job, bool fromDialog) {
    BackupJob *restore = VKRestoreInit(job.owner, job.flags, job.extraFlags, job.archivePath.c_str(), nullptr,
                                       nullptr, nullptr);
    // Entries that could not be unpacked (damaged data, refused names) are
    // not lost: the appended archive keeps every entry of the old one as it
    // is stored there.
    if (!restore) {
        // From the dialog nothing new is made yet: the note says what the
        // dialog, still open, offers next (Delete or Cancel).
        std::u16string note = Text(fromDialog ? 8173 : 7970);
        if (fromDialog) {
            note += u"\n\n";
            note += Text(8172);
        }
        vk::ui::MessageBox(job.owner, note, Text(3895), vk::ui::kMbOk | vk::ui::kMbIconInformation);
        return false;
    }
    job.name = restore->name;
    job.workFolder = restore->workFolder;
    job.metadataPath = restore->metadataPath;
    job.servicesPath = restore->servicesPath;
    job.toolsPath = restore->toolsPath;
    job.append = 1;
    // A plain file in the archive's place has no entries to keep: the new
    // archive replaces it.
    job.keepsEntries = (restore->flags & VKF_PLAIN_SOURCE) == 0;
    vk::lib::DeleteIniSection(kToolRestore, job.metadataPath.c_str());
    restore->append = 1; // handed over: its Close keeps the folder
    VKRestoreClose(restore);
    return true;
}

struct ArchiveExistsRun {
    BackupJob *job = nullptr;
};

intptr_t ArchiveExistsProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case vk::ui::kMsgInitDialog: {
        vk::ui::SetUserData(dialog, lparam);
        const int32_t texts[] = {vk::lib::kArchiveExistsText,   8161, vk::lib::kArchiveExistsAppend, 4488,
                                 vk::lib::kArchiveExistsDelete, 2838, vk::lib::kArchiveExistsCancel, 2,
                                 0};
        LMSetDialogText(VKGetLibraryModule(), dialog, 2960, texts);
        const auto *run = reinterpret_cast<ArchiveExistsRun *>(lparam);
        vk::lib::CenterWindowOver(run ? run->job->owner : nullptr, dialog);
        return 1;
    }
    case vk::ui::kMsgCommand: {
        auto *run = reinterpret_cast<ArchiveExistsRun *>(vk::ui::GetUserData(dialog));
        switch (static_cast<int32_t>(wparam & 0xFFFF)) {
        case vk::lib::kArchiveExistsAppend:
            // A failed append leaves the choice open: Delete or Cancel.
            if (run && AppendToArchive(*run->job, true)) vk::ui::EndDialog(dialog, vk::lib::kArchiveExistsAppend);
            return 1;
        case vk::lib::kArchiveExistsDelete: vk::ui::EndDialog(dialog, vk::lib::kArchiveExistsDelete); return 1;
        case vk::lib::kArchiveExistsCancel: vk::ui::EndDialog(dialog, vk::lib::kArchiveExistsCancel); return 1;
        default: return 0;
        }
    }
    default: return 0;
    }
}

// Decides, for an existing archive, between appending and replacing. False
// when the job is to be given up.
bool DecideExistingArchive(BackupJob &job) {
    if ((job.flags & VKF_APPEND_SERVICES) && IsServicesArchive(job.archivePath)) return AppendToArchive(job, false);
    // Replacing: the old archive stays as it is until the new one is complete
    // and takes its place in one step (at close).
    if (job.flags & VKF_OVERWRITE) return true;
    ArchiveExistsRun run{&job};
    const intptr_t answer = vk::ui::DialogBox(VKGetLibraryModule(), vk::lib::kDialogArchiveExists, job.owner,
                                              &ArchiveExistsProc, reinterpret_cast<intptr_t>(&run));
    return answer == vk::lib::kArchiveExistsAppend || answer == vk::lib::kArchiveExistsDelete;
}

// The backup name: the archive's file name without its last extension.
std::u16string BackupName(std::u16string_view archivePath) {
    const std::u16string_view name = FileName(archivePath);
    const size_t dot = name.rfind(u'.');
    return std::u16string(dot == std::u16string_view::npos ? name : name.substr(0, dot));
}

bool StartNewBackup(BackupJob &job) {
    job.name = BackupName(job.archivePath);
    job.workFolder = MakeWorkFolder();
    if (job.workFolder.empty()) {
        vk::ui::MessageBox(job.owner, Text(3010), Text(2960), vk::ui::kMbOk | vk::ui::kMbIconError);
        return false;
    }
    job.metadataPath = job.workFolder + kMetadataName;
    vk::CreateEmptyTextFile(job.metadataPath.c_str());
    WriteMetadata(job, kUtilitySection, u"Name", job.name.c_str());
    WriteMetadata(job, kUtilitySection, u"BackupDate", Decimal(vk::fs::NowFileTime()).c_str());
    return true;
}

// The comment of "-Comment 'text'": the text after the first "Comment",
// inside the single quotes when there are any.
std::u16string CommentOf(const char16_t *commandText) {
    const std::u16string_view text = vk::text::View(commandText);
    const size_t at = text.find(u"Comment");
    if (at == std::u16string_view::npos) return {};
    std::u16string_view rest = text.substr(at + 7);
    const size_t open = rest.find(u'\'');
    if (open != std::u16string_view::npos) {
        rest = rest.substr(open + 1);
        const size_t close = rest.find(u'\'');
        if (close != std::u16string_view::npos) rest = rest.substr(0, close);
    }
    return std::u16string(rest);
}

bool IsBlank(std::u16string_view s) { return s.find_first_not_of(u" \t") == std::u16string_view::npos; }

int DispatchBackup(BackupJob &job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                   const char16_t *key, const char16_t *path) {
    if (IsFileType(type))
        return BackupFileItem(job, type, itemFlags, itemExtraFlags, vk::text::View(path), nullptr, nullptr);
    if (IsIniSectionType(type)) {
        const std::u16string_view section = vk::text::View(name);
        return BackupIniItem(job, type, section, section, key, vk::text::View(path), nullptr);
    }
    if (type == VK_ITEM_SERVICE) return vk::tools::BackupServiceItem(job, itemFlags, itemExtraFlags, name, path);
    if (type == VK_ITEM_TOOL) return vk::tools::BackupToolItem(job, itemFlags, name, key, path);
    return UnknownItem(job, type, name, key, path);
}

} // namespace
} // namespace vk::engine

using namespace vk::engine;

extern "C" {

VK_API BackupJob *VKBackupInit(VKHWND owner, uint32_t flags, uint32_t extraFlags, const char16_t *path,
                               const char16_t *extensions, ProgressProc progress, int32_t *cancelFlag,
                               const char16_t *commandText) {
    vk::ini::Batch writes;
    BackupJob *job = NewJob();
    if (!job) return nullptr;
    job->owner = owner;
    job->flags = flags | VKF_BACKUP;
    job->extraFlags = extraFlags;
    job->extensions = ExtensionList(extensions);

    job->archivePath = AsksForDialog(path) ? ChooseBackupArchive(*job, path) : std::u16string(vk::text::View(path));
    if (job->archivePath.empty()) {
        FreeJob(job);
        return nullptr;
    }
    RemoveLeftoversOfGoneRuns(job->archivePath);
    RefreshInstallationBounds();
    if (vk::FileExists(job->archivePath.c_str()) && !DecideExistingArchive(*job)) {
        FreeJob(job);
        return nullptr;
    }
    if (job->append) {
        WriteMetadata(*job, kUtilitySection, u"AppendDate", Decimal(vk::fs::NowFileTime()).c_str());
    } else if (!StartNewBackup(*job)) {
        FreeJob(job);
        return nullptr;
    }
    const std::u16string comment = CommentOf(commandText);
    if (!IsBlank(comment)) vk::lib::AddNumberedEntry(kCommentSection, comment.c_str(), job->metadataPath.c_str());
    // The mark tells a restore that the values are in this version's units.
    // An append keeps the units of what the archive already holds: a genuine
    // version-7 archive stays unmarked, any other archive gets the mark, since
    // it now says "7.0" too.
    const bool genuineVersion7 = job->append && !CreatedByThisSystem(*job) &&
                                 vk::text::EqualNoCase(ReadMetadata(*job, kUtilitySection, u"BackupVersion"),
                                                       kBackupVersionWritten);
    WriteMetadata(*job, kUtilitySection, u"BackupVersion", kBackupVersionWritten);
    if (!genuineVersion7) WriteMetadata(*job, kUtilitySection, kCreatedByKey, kCreatedByValue);
    if (!writes.Finish()) {
        // "Backup.why" could not be written: no archive can be made.
        vk::ui::MessageBox(owner, Text(3010), Text(2960), vk::ui::kMbOk | vk::ui::kMbIconError);
        RemoveWorkFolder(job->workFolder);
        FreeJob(job);
        return nullptr;
    }

    job->progress = progress;
    job->cancelFlag = cancelFlag;
    // The archive is collected from now on; on an append it starts with the
    // entries of the archive appended to. When it cannot be started (its
    // folder is missing), every file item and the close report the failure.
    OpenArchiveWriter(*job);
    if (progress) progress(0, 0, job->archivePath.c_str());
    return job;
}

VK_API int VKBackup(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                    const char16_t *key, const char16_t *path) {
    if (!job) return StatusFailed;
    if (Cancelled(*job)) return StatusCancelled;
    job->started = 1;
    vk::ini::Batch writes;
    return ItemResult(writes, DispatchBackup(*job, type, itemFlags, itemExtraFlags, name, key, path));
}

VK_API int VKBackupClose(BackupJob *job) {
    if (!job) return 0;
    // The work folder's settings files reach the disk before it is zipped
    // (an archive is written only when they did).
    const int written = ZipWorkFolder(*job);
    WriteJobReport(*job, written != 0);
    RemoveWorkFolder(job->workFolder);
    FreeJob(job);
    return written;
}

} // extern "C"

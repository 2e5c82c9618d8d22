#include "app/shell/backup_run.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/archive_target.h"
#include "app/shell/backup_meter.h"
#include "app/shell/backup_page.h"
#include "app/shell/remembered_choices.h"
#include "app/shell/figures.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "app/tree/tree_items.h"
#include "common/format.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/treeview.h"

namespace vk::app {
namespace {

constexpr size_t kCommentChars = 510; // the comment and its option: 509 characters
constexpr size_t kBoxChars = 2550;

// Asks whether to go on showing warnings; the answer decides for the rest of
// the program's run, never for the backup itself.
void AskAboutItem(const char16_t *format, const char16_t *path, const char16_t *caption) {
    char16_t text[kBoxChars];
    FormatBounded(text, kBoxChars, format, path ? path : u"");
    const int answer = ui::MessageBox(State().mainWindow, text, caption, ui::kMbYesNo | ui::kMbIconWarning);
    WarningsWanted() = answer == ui::kIdYes;
}

// The archive path of the run, "" when the page's field is empty.
std::u16string ArchivePath(VKHWND page, bool unattended, const char16_t *name) {
    char16_t path[kPathChars];
    if (unattended) {
        CopyBounded(path, kPathChars, name ? name : u"");
    } else {
        // At most 254 characters from the field.
        CopyBounded(path, kPathChars - 1, ui::GetDlgItemText(page, kArchiveEdit));
    }
    return path;
}

std::u16string CommandText(VKHWND page) {
    char16_t comment[kCommentChars];
    CopyBounded(comment, kCommentChars, ui::GetDlgItemText(page, kCommentEdit));
    if (!comment[0]) CopyBounded(comment, kCommentChars, AppText(6109));
    char16_t option[kCommentChars];
    FormatBounded(option, kCommentChars, u"-Comment '%s'", comment);
    return option;
}

// An item call whose result means the item is not in the archive.
bool ItemFailed(int status) { return status != StatusOk && status != StatusCancelled; }

// A backup with failed items would take the place of an archive that may
// hold what this one lacks: the user decides. True: write it anyway.
bool ConfirmIncompleteArchive(VKHWND owner, int failed, const std::u16string &archive) {
    char16_t text[kBoxChars];
    FormatBounded(text, kBoxChars, AppText(8202), failed, archive.c_str());
    return ui::MessageBox(owner, text, AppText(2960), ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes;
}

} // namespace

bool &WarningsWanted() {
    static bool wanted = true;
    return wanted;
}

std::u16string WithArchiveExtension(std::u16string_view path) {
    const size_t extLength = std::char_traits<char16_t>::length(kArchiveExtension);
    if (path.size() > extLength && text::EndsWithNoCase(path, kArchiveExtension)) return std::u16string(path);
    char16_t out[kPathChars];
    FormatBounded(out, kPathChars, u"%s%s", std::u16string(path).c_str(), kArchiveExtension);
    return out;
}

int BackupProgress(int code, intptr_t value, const char16_t *text) {
    switch (code) {
    case 1: // the archive library starts packing the work folder
        MeterArchiveStart();
        SetProgress(MeterPosition());
        break;
    case 4: // its share of the bytes packed, "42%"
        MeterArchiveProgress(text::View(text));
        SetProgress(MeterPosition());
        break;
    case 9:
        if (value == StatusOk) {
            SetStatus(text::View(text));
        } else if (value == StatusDestinationExists && WarningsWanted()) {
            AskAboutItem(u"%s not backed up.\n\nA file by this name may have been copied from another directory "
                         u"already..\n\nContinue with warnings?",
                         text, AppText(2960));
        } else if (value == StatusWindowsError) {
            // The library's own box says which file failed and why; a second
            // box would only repeat it. Once warnings are off it stays away.
            PumpWaitingMessages();
            return WarningsWanted() ? 1 : 0;
        }
        break;
    default:
        break;
    }
    PumpWaitingMessages();
    return 1;
}

namespace {

// The archive's path as the final status line shows it: whole when short,
// else its file name behind ".../".
std::u16string ShownArchive(std::u16string_view archive) {
    constexpr size_t kWhole = 48;
    if (archive.size() <= kWhole) return std::u16string(archive);
    return u".../" + fs::FileNamePart(archive);
}

// "Backup failed: no archive was written (<reason>)" when a reason is found.
std::u16string FailedStatus(std::u16string_view archive) {
    std::u16string status = AppText(8128);
    std::u16string reason = TargetFolderProblem(archive);
    uint64_t freeBytes = 0;
    if (reason.empty() && TargetFreeSpace(archive, freeBytes) && freeBytes == 0)
        reason = fs::ErrorText(fs::kErrorDiskFull);
    if (!reason.empty()) status += u" (" + reason + u")";
    return status;
}

// Checks made before anything is written. False when the run is not to go
// on; the user was told why, and the status line says it too.
bool TargetReady(VKHWND page, bool unattended, const std::u16string &archive, const SelectionSize &selection) {
    if (!unattended && selection.files == 0) {
        const int answer = ui::MessageBox(page,
                                          u"Nothing is selected to back up.\n\nWrite an archive that holds no "
                                          u"files?",
                                          AppText(3015), ui::kMbYesNo | ui::kMbIconQuestion | ui::kMbDefButton2);
        if (answer != ui::kIdYes) return false;
    }
    const std::u16string problem = TargetFolderProblem(archive);
    if (!problem.empty()) {
        char16_t text[kBoxChars];
        FormatBounded(text, kBoxChars, u"Cannot write the archive %s.\n\n%s", archive.c_str(), problem.c_str());
        ui::MessageBox(page, text, AppText(3058), ui::kMbOk | ui::kMbIconWarning);
        SetStatus(AppText(8128) + (u" (" + problem + u")"));
        return false;
    }
    uint64_t freeBytes = 0;
    // A rough estimate: the archive never needs more than the files it packs.
    if (TargetFreeSpace(archive, freeBytes) && freeBytes < selection.bytes) {
        const std::u16string folder = fs::ParentFolder(archive);
        const std::u16string available = SizeText(freeBytes), needed = SizeText(selection.bytes);
        char16_t text[kBoxChars];
        FormatBounded(text, kBoxChars,
                      u"The folder %s may not have room for the archive: %s free, the chosen files take %s.\n\n"
                      u"Back up anyway?",
                      folder.c_str(), available.c_str(), needed.c_str());
        if (ui::MessageBox(page, text, AppText(3058), ui::kMbYesNo | ui::kMbIconWarning) != ui::kIdYes) {
            SetStatus(AppText(8128) + (u" (" + fs::ErrorText(fs::kErrorDiskFull) + u")"));
            return false;
        }
    }
    return true;
}

uint64_t FileBytes(const std::u16string &path) {
    fs::FileInfo info;
    return fs::Stat(path, info) && !info.directory ? info.size : 0;
}

} // namespace

std::u16string CompletedStatus(int files, uint64_t bytes, std::u16string_view archive) {
    std::u16string status = AppText(3014);
    status += u": ";
    status += GroupedNumber(static_cast<uint64_t>(files));
    status += files == 1 ? u" file, " : u" files, ";
    status += SizeText(bytes);
    status += u", in ";
    status += ShownArchive(archive);
    return status;
}

namespace {

// The status at the end of a run: canceled, failed, completed, or completed
// with failures (with the report that lists them).
std::u16string FinalStatus(bool stopped, bool written, int failed, const std::u16string &report,
                           std::u16string_view archive) {
    if (stopped) return AppText(3013);
    if (!written) return FailedStatus(archive);
    if (failed == 0) return CompletedStatus(Meter().copiedFiles, Meter().copiedBytes, archive);
    char16_t text[kBoxChars];
    FormatBounded(text, kBoxChars, AppText(report.empty() ? 8200 : 8201), failed, report.c_str());
    return text;
}

} // namespace

bool RunConfigBackup(VKHWND owner, bool unattended, const char16_t *name) {
    AppState &s = State();
    VKHWND page = s.backupPage;
    VKHWND tree = ui::GetDlgItem(page, kFileTree);
    PageState().cdFlag = false;
    // The last run's outcome goes as soon as a new one is asked for.
    SetStatus(s.idleText);
    SetProgress(0);

    std::u16string archive = ArchivePath(page, unattended, name);
    if (!unattended && archive.empty()) {
        ui::MessageBox(page, u"Invalid file name to zip to", AppText(3058), ui::kMbOk | ui::kMbIconWarning);
        return false;
    }
    // A folder (or, on the command line, no name) gets the page's default
    // file name: never a hidden ".conf.vkb".
    archive = WithArchiveExtension(ArchiveInFolder(archive, PageState().defaultArchiveName));
    ui::SetDlgItemText(page, kArchiveEdit, archive);
    WriteConfigTo(s.hostPropertiesPath, archive.c_str());
    const bool archiveExisted = fs::Exists(archive);
    s.failedItems = 0;
    s.lastReport.clear();
    // A CD drive would be asked about here; this platform has no CD-burning
    // staging folder, so the archive is always written where it was named.

    const SelectionSize selection = MeasureSelection(tree);
    if (!TargetReady(page, unattended, archive, selection)) return false;

    const std::u16string commandText = CommandText(page);
    BackupJob *job = VKBackupInit(owner, unattended ? VKF_OVERWRITE : 0u, 0, archive.c_str(), kArchiveExtension,
                                  &BackupProgress, &s.stopFlag, commandText.c_str());

    RunStart();
    SetStatus(AppText(3045));
    MeterStart(selection.files, selection.bytes, unattended && MeterSinkIsTerminal());
    SetProgress(0);
    int failed = 0;
    // Without a job every item would only fail: the walk is left out.
    ExpandChecked(tree, ui::TreeGetNext(tree, nullptr, ui::TreeNext::Root));
    VKTreeItem *first = job ? ui::TreeGetNext(tree, nullptr, ui::TreeNext::Root) : nullptr;
    for (VKTreeItem *item = first; item && s.stopFlag != 1;) {
        std::u16string file;
        if (CheckedLeafPath(tree, item, file)) {
            const uint64_t bytes = FileBytes(file);
            const int status = VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, file.c_str());
            if (ItemFailed(status)) ++failed;
            MeterFileDone(bytes, status == StatusOk);
            SetProgress(MeterPosition());
        }
        PumpWaitingMessages();
        // The walk ends at an item that went away while messages were served.
        item = ui::TreeIsItem(tree, item) ? ui::TreeGetNext(tree, item, ui::TreeNext::NextVisible) : nullptr;
    }

    // No: the stop flag makes the library keep the existing archive.
    if (job && failed > 0 && s.stopFlag != 1 && !unattended && archiveExisted &&
        !ConfirmIncompleteArchive(page, failed, archive))
        s.stopFlag = 1;
    SetStatus(AppText(2528));
    const bool written = VKBackupClose(job) != 0;
    MeterFinish();
    s.failedItems = failed;
    s.lastReport = text::View(VKLastResultsReport());
    // Only a written archive is a completed backup.
    const bool stopped = s.stopFlag == 1 || !job;
    SetStatus(FinalStatus(stopped, written, failed, s.lastReport, archive));
    SetProgress(!stopped && written ? 100 : 0);
    RunEnd();
    // The selection of a run the user started is offered again next time.
    if (!unattended && written) SaveBackupSelection(s.settingsPath, CheckedFiles(tree));
    return written;
}

} // namespace vk::app

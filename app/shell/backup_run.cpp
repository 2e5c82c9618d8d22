#include "app/shell/backup_run.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/remembered_choices.h"
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

// The status at the end of a run: canceled, failed, completed, or completed
// with failures (with the report that lists them).
std::u16string FinalStatus(bool stopped, bool written, int failed, const std::u16string &report) {
    if (stopped) return AppText(3013);
    if (!written) return AppText(8128);
    if (failed == 0) return AppText(3014);
    char16_t text[kBoxChars];
    FormatBounded(text, kBoxChars, AppText(report.empty() ? 8200 : 8201), failed, report.c_str());
    return text;
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
    if (code == 9) {
        if (value == StatusOk) {
            SetStatus(text::View(text));
        } else if (value == StatusDestinationExists && WarningsWanted()) {
            AskAboutItem(u"%s not backed up.\n\nA file by this name may have been copied from another directory "
                         u"already..\n\nContinue with warnings?",
                         text, AppText(2960));
        } else if (value == StatusWindowsError && WarningsWanted()) {
            AskAboutItem(u"Error backing up %s.\n\nContinue with warnings?", text, u"Windows Error");
        }
    }
    PumpWaitingMessages();
    return 1;
}

bool RunConfigBackup(VKHWND owner, bool unattended, const char16_t *name) {
    AppState &s = State();
    VKHWND page = s.backupPage;
    VKHWND tree = ui::GetDlgItem(page, kFileTree);
    PageState().cdFlag = false;

    std::u16string archive = ArchivePath(page, unattended, name);
    if (!unattended && archive.empty()) {
        ui::MessageBox(page, u"Invalid file name to zip to", AppText(3058), ui::kMbOk | ui::kMbIconWarning);
        return false;
    }
    archive = WithArchiveExtension(archive);
    ui::SetDlgItemText(page, kArchiveEdit, archive);
    WriteConfigTo(s.hostPropertiesPath, archive.c_str());
    const bool archiveExisted = fs::Exists(archive);
    s.failedItems = 0;
    s.lastReport.clear();
    // A CD drive would be asked about here; this platform has no CD-burning
    // staging folder, so the archive is always written where it was named.

    SetProgress(0);
    const std::u16string commandText = CommandText(page);
    BackupJob *job = VKBackupInit(owner, unattended ? VKF_OVERWRITE : 0u, 0, archive.c_str(), kArchiveExtension,
                                  &BackupProgress, &s.stopFlag, commandText.c_str());

    RunStart();
    SetStatus(AppText(3045));
    // The total counts every checked item, folders included, while only files
    // go to the library: the bar may end below 100.
    const int total = CountCheckedItems(tree);
    SetProgress(0);
    int done = 0;
    int failed = 0;
    // Without a job every item would only fail: the walk is left out.
    VKTreeItem *first = job ? ui::TreeGetNext(tree, nullptr, ui::TreeNext::Root) : nullptr;
    for (VKTreeItem *item = first; item && s.stopFlag != 1;) {
        std::u16string file;
        if (CheckedLeafPath(tree, item, file)) {
            if (ItemFailed(VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, file.c_str()))) ++failed;
            ++done;
            SetProgress(total > 0 ? done * 100 / total : 0);
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
    s.failedItems = failed;
    s.lastReport = text::View(VKLastResultsReport());
    // Only a written archive is a completed backup.
    SetStatus(FinalStatus(s.stopFlag == 1 || !job, written, failed, s.lastReport));
    SetProgress(0);
    RunEnd();
    // The selection of a run the user started is offered again next time.
    if (!unattended && written) SaveBackupSelection(s.settingsPath, CheckedFiles(tree));
    return written;
}

} // namespace vk::app

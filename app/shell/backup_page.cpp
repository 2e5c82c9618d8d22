#include "app/shell/backup_page.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/remembered_choices.h"
#include "app/shell/figures.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "app/tree/install_walk.h"
#include "app/tree/tree_items.h"
#include "common/format.h"
#include "common/string_copy.h"
#include "platform/ui/treeview.h"

namespace vk::app {
namespace {

constexpr int32_t kAdvancedControls[] = {kFileTree, kSelectLabel, kDefaultsButton, kClearButton};

VKHWND Tree(VKHWND page) { return ui::GetDlgItem(page, kFileTree); }

// Computes the default archive name and sets the page's texts, without
// refilling the tree.
void RefreshPage(VKHWND page) {
    ShowAdvancedControls(page);
    BackupPageState &p = PageState();
    // The folder of the last archive written, else the remembered BackupTo.
    const std::u16string folder = StartingBackupFolder(State().hostPropertiesPath, ProgramFolders().backupTo);
    CopyBounded(p.defaultArchiveName, kPathChars, DefaultArchiveName(folder, fs::NowLocal()));
    ui::SetDlgItemText(page, kBackUpToLabel, AppText(2975));
    ui::SetDlgItemText(page, kArchiveEdit, p.defaultArchiveName);
    ui::SetDlgItemText(page, kSelectLabel, AppText(2982));
}

} // namespace

void ShowSelectionSize(VKHWND page) {
    const SelectionSize size = MeasureSelection(Tree(page));
    std::u16string label = AppText(2982);
    label += u" (";
    label += GroupedNumber(static_cast<uint64_t>(size.files));
    label += size.files == 1 ? u" file, " : u" files, ";
    label += SizeText(size.bytes);
    label += u")";
    ui::SetDlgItemText(page, kSelectLabel, label);
}

namespace {

void SetUp(VKHWND page) {
    AppState &s = State();
    s.backupPage = page;
    const int32_t texts[] = {kOptionsGroup,  3564, kBackUpToLabel,  2975, kBrowseButton, 2836,
                             kCommentLabel,  3382, kAdvancedButton, 7913, kSelectLabel,  2982,
                             kDefaultsButton, 7966, kClearButton,   2979, 0};
    LMSetDialogText(s.instance, page, 0, texts);
    RefreshPage(page);
    ui::SetDlgItemText(page, kBackUpToLabel, AppText(2975));
    ui::SetDlgItemText(page, kCommentEdit, kDefaultComment);
    // The comment is stored in the archive ("-Comment").
    ui::EnableWindow(ui::GetDlgItem(page, kCommentEdit), true);
    FillInstallTree(Tree(page), InstallFoldersFromLibrary(), s.instance);
    ReadItemLists(ProgramItemLists(), s.settingsPath);
    ApplyPageDefaults(page);
    // The user's last selection, when one was kept, replaces the default choice.
    ApplyBackupSelection(Tree(page), ReadBackupSelection(s.settingsPath));
}

} // namespace

BackupPageState &PageState() {
    static BackupPageState state;
    return state;
}

VKHWND CreateBackupPage(VKHWND mainDialog) {
    return ui::CreateDialog(State().instance, kDialogBackupPage, mainDialog, &BackupPageProc, 1);
}

std::u16string DefaultArchiveName(std::u16string_view dirBackup, const fs::LocalTime &now) {
    char16_t date[16];
    FormatBounded(date, 16, u"%02d%02d%02d", now.year % 100, now.month, now.day);
    char16_t name[kPathChars];
    const std::u16string dir(dirBackup);
    FormatBounded(name, kPathChars, u"%stal7cfg%s%s", dir.c_str(), date, kArchiveExtension);
    return name;
}

void ShowAdvancedControls(VKHWND page) {
    const bool show = PageState().advanced;
    for (int32_t id : kAdvancedControls) ui::ShowWindow(ui::GetDlgItem(page, id), show);
    ui::SetDlgItemText(page, kAdvancedButton, AppText(show ? 7914 : 7913));
}

void ToggleAdvanced(VKHWND page) {
    PageState().advanced = !PageState().advanced;
    ShowAdvancedControls(page);
}

std::u16string ArchiveFileFilter() {
    const std::u16string pattern = std::u16string(u"*") + kArchiveExtension;
    const char16_t *pairs[] = {AppText(3015), pattern.c_str()};
    const char16_t *filter = BuildOFNFilter(pairs, 1);
    if (!filter) return {};
    size_t n = 0;
    while (filter[n] || filter[n + 1]) ++n;
    return std::u16string(filter, n + 2);
}

void BrowseForArchive(VKHWND page) {
    PageState().advanced = false;
    ShowAdvancedControls(page);

    ui::FileDialogRequest request;
    request.owner = page;
    request.save = false;
    request.title = AppText(2991);
    request.filter = ArchiveFileFilter();
    request.initialDir = DirBackupFolder();
    request.file = ui::GetDlgItemText(page, kArchiveEdit).substr(0, kPathChars - 1);
    // The file need not exist: it is the archive to write.
    request.fileMustExist = false;
    if (ui::FileDialog(request)) ui::SetDlgItemText(page, kArchiveEdit, request.file.substr(0, kPathChars - 1));
    // Cancelled: the field keeps what it held.
}

void ApplyPageDefaults(VKHWND page) {
    PumpWaitingMessages();
    ApplyDefaultChoice(Tree(page), InstallFoldersFromLibrary(), ProgramItemLists());
    ShowSelectionSize(page);
    PumpWaitingMessages();
}

void ClearPageSelections(VKHWND page) {
    ClearSelections(Tree(page));
    ShowSelectionSize(page);
}

intptr_t BackupPageProc(VKHWND page, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case ui::kMsgInitDialog:
        SetUp(page);
        return 1;
    case ui::kMsgCommand:
        switch (wparam) {
        case kBrowseButton: BrowseForArchive(page); return 1;
        case kDefaultsButton: ApplyPageDefaults(page); return 1;
        case kClearButton: ClearPageSelections(page); return 1;
        case kAdvancedButton: ToggleAdvanced(page); return 1;
        default: return 0;
        }
    case ui::kMsgNotify: {
        const auto *n = reinterpret_cast<const ui::Notify *>(lparam);
        // A click on a check box is handled here; the control must not
        // advance the state image on its own as well.
        if (n && n->id == kFileTree && n->code == ui::kNmClick) {
            if (!HandleCheckBoxClick(n->from, n->x, n->y)) return 0;
            ShowSelectionSize(page);
            return 1;
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace vk::app

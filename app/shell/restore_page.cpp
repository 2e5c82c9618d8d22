#include "app/shell/restore_page.h"

#include <map>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/remembered_choices.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "app/tree/tree_images.h"
#include "app/tree/tree_items.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/treeview.h"

namespace vk::app {
namespace {

// Item parameters: group and home-folder items carry kItemComponent; an
// item of the archive carries its index plus this base.
constexpr intptr_t kLeafBase = 100;

using ui::TreeNext;

VKHWND Tree(VKHWND page) { return ui::GetDlgItem(page, kRestoreTree); }

VKTreeItem *Insert(VKHWND tree, VKTreeItem *parent, std::u16string_view text, intptr_t param, int state) {
    ui::TreeItemData data;
    data.mask = ui::kTvifText | ui::kTvifImage | ui::kTvifSelectedImage | ui::kTvifState | ui::kTvifParam;
    data.text = std::u16string(text);
    data.image = data.selectedImage = param >= kLeafBase ? kImageFile : kImageFolder;
    data.state = state;
    data.param = param;
    return ui::TreeInsertItem(tree, parent, ui::kTviLast, data);
}

// A parent's state follows its children: all checked, none, or some.
int StateFromChildren(VKHWND tree, VKTreeItem *parent) {
    bool any = false;
    bool all = true;
    for (VKTreeItem *c = ui::TreeGetNext(tree, parent, TreeNext::Child); c; c = ui::TreeGetNext(tree, c, TreeNext::Next)) {
        any = any || c->state != kUnchecked;
        all = all && c->state == kChecked;
    }
    return all && any ? kChecked : any ? kPartlyChecked : kUnchecked;
}

// Sets every parent below `first` (and `first`'s run) from its children,
// deepest first.
void RefreshParents(VKHWND tree, VKTreeItem *first) {
    for (VKTreeItem *item = first; item; item = ui::TreeGetNext(tree, item, TreeNext::Next)) {
        VKTreeItem *child = ui::TreeGetNext(tree, item, TreeNext::Child);
        if (!child) continue;
        RefreshParents(tree, child);
        SetCheck(tree, item, StateFromChildren(tree, item));
    }
}

void SetAll(VKHWND tree, VKTreeItem *first, bool checked) {
    for (VKTreeItem *item = first; item; item = ui::TreeGetNext(tree, item, TreeNext::Next)) {
        SetCheck(tree, item, checked ? kChecked : kUnchecked);
        SetAll(tree, ui::TreeGetNext(tree, item, TreeNext::Child), checked);
    }
}

void FillTree(VKHWND tree, const ArchiveContents &contents) {
    ui::TreeDeleteAllItems(tree);
    SetTreeImages(tree, State().instance);
    std::map<int, VKTreeItem *> groups;
    std::map<std::u16string, VKTreeItem *> homes;
    for (RestoreGroup group : {RestoreGroup::Files, RestoreGroup::Settings, RestoreGroup::Services, RestoreGroup::Tools}) {
        for (size_t i = 0; i < contents.items.size(); ++i) {
            const RestoreItem &item = contents.items[i];
            if (item.group != group) continue;
            VKTreeItem *&groupItem = groups[static_cast<int>(group)];
            if (!groupItem) groupItem = Insert(tree, nullptr, GroupName(group), kItemComponent, kUnchecked);
            VKTreeItem *parent = groupItem;
            if (group == RestoreGroup::Files) {
                VKTreeItem *&home = homes[item.home];
                if (!home) home = Insert(tree, groupItem, item.home, kItemComponent, kUnchecked);
                parent = home;
            }
            Insert(tree, parent, RestoreItemText(item), kLeafBase + static_cast<intptr_t>(i),
                   item.checkedByDefault ? kChecked : kUnchecked);
        }
    }
    VKTreeItem *first = ui::TreeGetNext(tree, nullptr, TreeNext::Root);
    RefreshParents(tree, first);
    for (VKTreeItem *g = first; g; g = ui::TreeGetNext(tree, g, TreeNext::Next)) {
        ui::TreeExpand(tree, g, ui::TreeExpandCode::Expand);
        for (VKTreeItem *h = ui::TreeGetNext(tree, g, TreeNext::Child); h; h = ui::TreeGetNext(tree, h, TreeNext::Next))
            if (ui::TreeGetNext(tree, h, TreeNext::Child)) ui::TreeExpand(tree, h, ui::TreeExpandCode::Expand);
    }
}

void ShowSummary(VKHWND page, const ArchiveSummary &summary) {
    std::u16string textOut;
    for (const std::u16string &line : SummaryLines(summary)) textOut += (textOut.empty() ? u"" : u"\n") + line;
    ui::SetDlgItemText(page, kRestoreSummary, textOut);
}

// The archive's folder becomes the remembered RestoreFrom.
void RememberFolder(std::u16string_view archive) {
    const std::u16string folder = fs::ParentFolder(archive);
    if (folder.empty()) return;
    RememberRestoreFrom(State().hostPropertiesPath, folder);
}

void SetRunning(VKHWND page, bool running) {
    ui::EnableWindow(ui::GetDlgItem(page, kRestoreStopButton), running);
    for (int32_t id : {kRestoreBrowseButton, kRestoreSelectAll, kRestoreClear, kRestoreArchiveEdit})
        ui::EnableWindow(ui::GetDlgItem(page, id), !running);
}

void StepProgress(size_t done, size_t total, std::u16string_view label) {
    SetStatus(label);
    SetProgress(total ? static_cast<int>(done * 100 / total) : 0);
    PumpWaitingMessages();
}

void SetUp(VKHWND page) {
    AppState &s = State();
    s.restorePage = page;
    const int32_t texts[] = {kRestoreFromLabel, 8210, kRestoreBrowseButton, 2836, kRestoreSelectAll, 8211,
                             kRestoreClear,     8212, kRestoreStopButton,   8213, 0};
    LMSetDialogText(s.instance, page, 0, texts);
    ui::SetDlgItemText(page, kRestoreSummary, AppText(8214));
    SetTreeImages(Tree(page), s.instance);
    SetRunning(page, false);
}

} // namespace

RestorePageState &RestorePage() {
    static RestorePageState state;
    return state;
}

VKHWND CreateRestorePage(VKHWND mainDialog) {
    return ui::CreateDialog(State().instance, kDialogRestorePage, mainDialog, &RestorePageProc, 1);
}

std::u16string RestoreItemText(const RestoreItem &item) {
    if (item.group != RestoreGroup::Files) return item.label;
    std::u16string textOut = item.label + u" (installed: " + std::u16string(ViewStateText(item.view.state));
    if (item.view.action == VK_ACTION_KEEP) textOut += u", kept";
    else if (item.view.action == VK_ACTION_SKIP) textOut += u", not restored";
    return textOut + u")";
}

bool ChooseRestoreArchive(VKHWND page, std::u16string_view path) {
    RestorePageState &p = RestorePage();
    ui::SetDlgItemText(page, kRestoreArchiveEdit, path);
    AppState &s = State();
    const int32_t idle = s.stopFlag;
    s.stopFlag = 0;
    BusyCursor(true);
    const uint32_t flags = VKF_REPORT | (IsUndoArchive(path) ? VKF_ANY_VERSION : 0u);
    const bool opened = OpenArchiveContents(page, path, flags, &s.stopFlag, p.contents);
    BusyCursor(false);
    s.stopFlag = idle;
    ShowSummary(page, p.contents.summary);
    if (opened) FillTree(Tree(page), p.contents);
    else ui::TreeDeleteAllItems(Tree(page));
    return opened;
}

void BrowseForRestoreArchive(VKHWND page) {
    ui::FileDialogRequest request;
    request.owner = page;
    request.save = false;
    request.title = AppText(8210);
    request.filter = ArchiveFileFilter();
    request.initialDir = ProgramFolders().restoreFrom;
    request.fileMustExist = true;
    if (!ui::FileDialog(request)) return;
    RememberFolder(request.file);
    ChooseRestoreArchive(page, request.file);
}

void CheckAllRestoreItems(VKHWND page, bool checked) {
    SetAll(Tree(page), ui::TreeGetNext(Tree(page), nullptr, TreeNext::Root), checked);
}

std::vector<size_t> CheckedRestoreItems(VKHWND page) {
    std::vector<size_t> chosen;
    VKHWND tree = Tree(page);
    const size_t count = RestorePage().contents.items.size();
    for (VKTreeItem *item = ui::TreeGetNext(tree, nullptr, TreeNext::Root); item;) {
        if (item->param >= kLeafBase && item->state == kChecked) {
            const size_t index = static_cast<size_t>(item->param - kLeafBase);
            if (index < count) chosen.push_back(index);
        }
        // Depth first over every item, collapsed or not.
        VKTreeItem *next = ui::TreeGetNext(tree, item, TreeNext::Child);
        while (!next && item) {
            next = ui::TreeGetNext(tree, item, TreeNext::Next);
            if (!next) item = ui::TreeGetNext(tree, item, TreeNext::Parent);
        }
        item = next;
    }
    return chosen;
}

bool RunRestorePage(VKHWND page) {
    RestorePageState &p = RestorePage();
    AppState &s = State();
    const std::u16string path = ui::GetDlgItemText(page, kRestoreArchiveEdit);
    if (!p.contents.job || path != p.contents.summary.path) {
        // A typed name: the archive is opened and shown first, so that the
        // user sees what it holds before anything is restored.
        SetStatus(AppText(!path.empty() && ChooseRestoreArchive(page, path) ? 8218 : 8215));
        return false;
    }
    const std::vector<size_t> chosen = CheckedRestoreItems(page);
    if (chosen.empty()) {
        SetStatus(AppText(8216));
        return false;
    }
    RunStart();
    SetRunning(page, true);
    SetProgress(0);
    p.last = RestoreChosenItems(p.contents, chosen, DirBackupFolder(), page, &s.stopFlag, &StepProgress);
    s.failedItems = p.last.failed;
    s.lastReport = p.last.report;
    SetProgress(0);
    SetRunning(page, false);
    RunEnd();
    // The archive again, with what is installed now; the outcome above its
    // summary, where the whole of it fits.
    if (!p.last.problem.empty() || !ChooseRestoreArchive(page, path)) ui::TreeDeleteAllItems(Tree(page));
    std::u16string lines = OutcomeText(p.last);
    for (const char16_t *sep : {u"; undo archive ", u"; report "}) {
        const size_t at = lines.find(sep);
        if (at != std::u16string::npos) lines.replace(at, 2, u"\n");
    }
    ui::SetDlgItemText(page, kRestoreSummary, lines + u"\n" + ui::GetDlgItemText(page, kRestoreSummary));
    SetStatus(OutcomeText(p.last));
    return true;
}

intptr_t RestorePageProc(VKHWND page, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case ui::kMsgInitDialog:
        SetUp(page);
        return 1;
    case ui::kMsgCommand:
        switch (wparam) {
        case kRestoreBrowseButton: BrowseForRestoreArchive(page); return 1;
        case kRestoreSelectAll: CheckAllRestoreItems(page, true); return 1;
        case kRestoreClear: CheckAllRestoreItems(page, false); return 1;
        case kRestoreStopButton: State().stopFlag = 1; return 1;
        default: return 0;
        }
    case ui::kMsgNotify: {
        const auto *n = reinterpret_cast<const ui::Notify *>(lparam);
        if (!n || n->id != kRestoreTree || n->code != ui::kNmClick) return 0;
        const ui::TreeHit hit = ui::TreeHitTest(n->from, n->x, n->y);
        if (!hit.item || !(hit.flags & ui::kTvhtOnItemStateIcon)) return 0;
        const bool checked = hit.item->state != kChecked;
        SetCheck(n->from, hit.item, checked ? kChecked : kUnchecked);
        SetAll(n->from, ui::TreeGetNext(n->from, hit.item, TreeNext::Child), checked);
        RefreshParents(n->from, ui::TreeGetNext(n->from, nullptr, TreeNext::Root));
        return 1;
    }
    default:
        return 0;
    }
}

} // namespace vk::app

// "Select tools to import" / "Select tools to export": the tools of a service
// as a checkable tool tree, the entries the service names checked; OK hands
// the checked entries to the job as tool items.
#include <string>
#include <vector>

#include "common/format.h"
#include "lib/resources/library_dialogs.h"
#include "lib/resources/library_module.h"
#include "lib/services/center_window.h"
#include "lib/services/directories.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_item.h"
#include "lib/tools/tool_tree.h"
#include "lib/tools/tool_tree_dialogs.h"
#include "platform/text/text.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"

namespace vk::tools {
namespace {

using namespace vk::ui;

constexpr uint32_t kImportTitle = 3924; // "Select tools to import"
constexpr uint32_t kExportTitle = 3925; // "Select tools to export"
constexpr size_t kTitleChars = 1024;
constexpr size_t kNameChars = 39;       // tool names and identifiers handed over
constexpr int kUnchecked = 1;
constexpr int kChecked = 2;

// The selection under way (one per process).
struct Selection {
    BackupJob *job = nullptr;
    std::u16string service;
    std::u16string servicesFile;
    std::u16string toolsFile;
    bool restore = false;
    std::u16string installedTools;
    VKHWND tree = nullptr;
    std::u16string lastFailed;
};

Selection &Current() {
    static Selection selection;
    return selection;
}

VKModule *Module() { return &vk::lib::LibraryModule(); }

int StateOf(VKHWND tree, VKTreeItem *item) {
    TreeItemData data;
    data.mask = kTvifState;
    return TreeGetItem(tree, item, data) ? data.state : 0;
}

void SetState(VKHWND tree, VKTreeItem *item, int state) {
    TreeItemData data;
    data.mask = kTvifState;
    data.state = state;
    TreeSetItem(tree, item, data);
}

VKTreeItem *Child(VKHWND tree, VKTreeItem *item) { return TreeGetNext(tree, item, TreeNext::Child); }
VKTreeItem *Next(VKHWND tree, VKTreeItem *item) { return TreeGetNext(tree, item, TreeNext::Next); }
VKTreeItem *Parent(VKHWND tree, VKTreeItem *item) { return TreeGetNext(tree, item, TreeNext::Parent); }

void SetSubtree(VKHWND tree, VKTreeItem *item, int state) {
    for (VKTreeItem *c = Child(tree, item); c; c = Next(tree, c)) {
        SetState(tree, c, state);
        SetSubtree(tree, c, state);
    }
}

void ExpandSubtree(VKHWND tree, VKTreeItem *item) {
    TreeExpand(tree, item, TreeExpandCode::Expand);
    for (VKTreeItem *c = Child(tree, item); c; c = Next(tree, c)) ExpandSubtree(tree, c);
}

// An ancestor is checked once every one of its children is checked.
void CheckFullParents(VKHWND tree, VKTreeItem *item) {
    for (VKTreeItem *p = Parent(tree, item); p; p = Parent(tree, p)) {
        for (VKTreeItem *c = Child(tree, p); c; c = Next(tree, c))
            if (StateOf(tree, c) != kChecked) return;
        SetState(tree, p, kChecked);
    }
}

// Checks a found item (and, for a whole tool, everything below it), makes it
// the selection and opens it, its subtree and the items after it.
void PreCheck(VKHWND tree, VKTreeItem *item, bool whole) {
    if (!item) return;
    SetState(tree, item, kChecked);
    if (whole) SetSubtree(tree, item, kChecked);
    CheckFullParents(tree, item);
    for (VKTreeItem *x = item; x; x = Next(tree, x)) ExpandSubtree(tree, x);
    TreeEnsureVisible(tree, item);
}

void PreCheckEntry(const Selection &s, const ToolEntry &entry) {
    const std::u16string &tool = entry.tool;
    if (text::EqualNoCase(tool, u"STD") && HasAnyKey(u"STD", s.installedTools)) return;
    if (entry.id.empty()) {
        PreCheck(s.tree, FindToolInTree(s.tree, tool.c_str(), u""), true);
        return;
    }
    // A model's item shows its description: "id (description)".
    std::u16string modelLabel = entry.id;
    const std::u16string description =
        ReadValue(EntrySection(tool, entry.id), u"Description", s.toolsFile, kDescriptionChars);
    if (!description.empty()) modelLabel += u" (" + description + u")";
    if (!HasSerialList(tool, s.toolsFile)) {
        PreCheck(s.tree, FindToolInTree(s.tree, tool.c_str(), modelLabel.c_str()), false);
        return;
    }
    // A tool with a serial list: the identifier is a serial number, or a model
    // ("model=" entries). Looked up as a serial alone, a model is not found and
    // only the tool item would be checked, which transfers nothing.
    // (Finding selects what it finds, so the lookup whose item is kept comes last.)
    VKTreeItem *const toolItem = FindToolInTree(s.tree, tool.c_str(), u"");
    VKTreeItem *found = FindToolInTree(s.tree, tool.c_str(), entry.id.c_str());
    if (found && found == toolItem && modelLabel != entry.id)
        found = FindToolInTree(s.tree, tool.c_str(), modelLabel.c_str());
    PreCheck(s.tree, found, false);
}

bool AlreadyTransferred(const std::u16string &section, void *) { return IsTransferred(Current().job, section); }

// Fills the tree; false when no tool of the service could be listed.
bool Fill(Selection &s) {
    const KindRoots roots = FillToolTreeFrame(s.tree, s.toolsFile.c_str());
    int tools = 0;
    for (const ToolEntry &entry : ServiceTools(s.service, s.servicesFile)) {
        if (InsertToolEntries(s.tree, roots, entry.tool.c_str(), s.toolsFile.c_str(), false,
                              {AlreadyTransferred, nullptr}) == 0)
            continue;
        ++tools;
        PreCheckEntry(s, entry);
    }
    return tools > 0;
}

std::u16string Cut(std::u16string s) {
    if (s.size() > kNameChars) s.resize(kNameChars);
    return s;
}

void HandOver(Selection &s, const ToolTreeItemData &block) {
    const std::u16string tool = Cut(block.toolName);
    if (!s.lastFailed.empty() && text::EqualNoCase(tool, s.lastFailed)) return;
    const bool serial = block.serialNumber[0] != u'\0';
    const std::u16string id = Cut(serial ? block.serialNumber : block.model);
    const uint32_t flags = serial ? kToolFlagsSerial : kToolFlagsModel;
    const int result =
        s.restore ? VKRestore(s.job, VK_ITEM_TOOL, flags, 0, tool.c_str(), id.c_str(), s.installedTools.c_str())
                  : VKBackup(s.job, VK_ITEM_TOOL, flags, 0, tool.c_str(), id.c_str(), s.toolsFile.c_str());
    if (result == StatusOk) s.lastFailed.clear();
    else s.lastFailed = tool;
}

// Children first, then the item, then its next sibling.
void TransferWalk(Selection &s, VKTreeItem *item) {
    for (; item; item = Next(s.tree, item)) {
        TransferWalk(s, Child(s.tree, item));
        if (StateOf(s.tree, item) != kChecked) continue;
        const ToolTreeItemData *block = ItemData(s.tree, item);
        if (block && block->toolName[0] && block->model[0]) HandOver(s, *block);
    }
}

void Layout(VKHWND dialog) {
    VKHWND ok = GetDlgItem(dialog, kIdOk);
    VKHWND cancel = GetDlgItem(dialog, kIdCancel);
    VKHWND tree = GetDlgItem(dialog, lib::kToolSelectionTree);
    if (!ok || !cancel || !tree) return;
    const int m = SystemMetric(Metric::CaptionHeight) / 3;
    const Rect client = GetClientRect(dialog);
    const Rect origin = GetWindowRect(dialog);
    const Rect button = GetWindowRect(ok);
    const int okX = client.w - m - button.w;
    const int y = client.h - m - button.h;
    MoveWindow(ok, {origin.x + okX, origin.y + y, button.w, button.h}, false);
    MoveWindow(cancel, {origin.x + okX - m - button.w, origin.y + y, button.w, button.h}, false);
    MoveWindow(tree, {origin.x + m, origin.y + m, client.w - 2 * m, client.h - 3 * m - button.h}, true);
}

// A click on a check box: checking spreads down, clearing down and up. The
// control toggles the clicked item itself afterwards.
void SpreadCheck(VKHWND tree, int x, int y) {
    const TreeHit hit = TreeHitTest(tree, x, y);
    if (!hit.item || !(hit.flags & kTvhtOnItemStateIcon)) return;
    if (StateOf(tree, hit.item) == kChecked) {
        SetSubtree(tree, hit.item, kUnchecked);
        for (VKTreeItem *p = Parent(tree, hit.item); p; p = Parent(tree, p)) SetState(tree, p, kUnchecked);
    } else {
        SetSubtree(tree, hit.item, kChecked);
    }
}

} // namespace

intptr_t ToolSelectionProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Selection &s = Current();
    switch (msg) {
    case kMsgInitDialog: {
        static const int32_t pairs[] = {kIdOk, 1, kIdCancel, 2, 0};
        LMSetDialogText(Module(), dialog, 0, pairs);
        vk::lib::CenterWindowOver(GetOwner(dialog), dialog);
        char16_t title[kTitleChars] = {};
        FormatBounded(title, kTitleChars, u"%s - %s", s.service.c_str(),
                      LMGetString(Module(), s.restore ? kImportTitle : kExportTitle));
        SetWindowText(dialog, title);
        s.tree = GetDlgItem(dialog, lib::kToolSelectionTree);
        if (!Fill(s)) EndDialog(dialog, 1);
        return 1;
    }
    case kMsgSize:
        Layout(dialog);
        return 1;
    case kMsgNotify: {
        const auto *n = reinterpret_cast<const Notify *>(lparam);
        if (!n || n->from != s.tree) return 0;
        if (n->code == kNmClick) SpreadCheck(s.tree, n->x, n->y);
        else if (n->code == kTvnDeleteItem) FreeTreeParam(s.tree, n);
        return 0;
    }
    case kMsgCommand:
        if ((wparam >> 16) != kBnClicked) return 0;
        if ((wparam & 0xFFFF) == kIdOk) {
            s.lastFailed.clear();
            TransferWalk(s, TreeGetNext(s.tree, nullptr, TreeNext::Root));
            EndDialog(dialog, 1);
            return 1;
        }
        if ((wparam & 0xFFFF) == kIdCancel) {
            EndDialog(dialog, 0);
            return 1;
        }
        return 0;
    case kMsgDestroy:
        s.tree = nullptr;
        return 0;
    default:
        return 0;
    }
}

void BeginToolSelection(BackupJob &job, const std::u16string &service, const std::u16string &servicesFile,
                        const std::u16string &toolsFile, bool restore) {
    Current() = Selection{&job, service, servicesFile, toolsFile, restore, vk::lib::ToolsIniPath(), nullptr, u""};
}

int SelectServiceTools(BackupJob &job, VKHWND owner, const std::u16string &service, const std::u16string &servicesFile,
                       const std::u16string &toolsFile, bool restore) {
    BeginToolSelection(job, service, servicesFile, toolsFile, restore);
    const intptr_t result = DialogBox(Module(), lib::kDialogToolSelection, owner, ToolSelectionProc, 0);
    return result == 1 ? 1 : 0;
}

} // namespace vk::tools

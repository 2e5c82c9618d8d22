// Items, check states and the bulk operations of the selection tree.
#include "app/tree/tree_items.h"

#include <algorithm>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

using ui::TreeNext;

VKTreeItem *Next(VKHWND tree, VKTreeItem *item, TreeNext code) { return ui::TreeGetNext(tree, item, code); }

void Expand(VKHWND tree, VKTreeItem *item, bool expand) {
    ui::TreeExpand(tree, item, expand ? ui::TreeExpandCode::Expand : ui::TreeExpandCode::Collapse);
}

std::u16string_view WithoutTrailingSeparator(std::u16string_view s) {
    if (!s.empty() && s.back() == fs::kSep) s.remove_suffix(1);
    return s;
}

// Pre-order visit of `first`, its following siblings and their descendants.
template <typename Visit> void ForRunAndBelow(VKHWND tree, VKTreeItem *first, Visit &&visit) {
    for (VKTreeItem *item = first; item; item = Next(tree, item, TreeNext::Next)) {
        visit(item);
        if (VKTreeItem *child = Next(tree, item, TreeNext::Child)) ForRunAndBelow(tree, child, visit);
    }
}

// The first item of a sibling run whose text equals `name`, case ignored.
VKTreeItem *FindInRun(VKHWND tree, VKTreeItem *first, std::u16string_view name) {
    for (VKTreeItem *item = first; item; item = Next(tree, item, TreeNext::Next))
        if (text::EqualNoCase(item->text, name)) return item;
    return nullptr;
}

} // namespace

VKTreeItem *InsertTreeItem(TreeFill &fill, std::u16string_view text, VKTreeItem *parent, intptr_t value) {
    ui::TreeItemData data;
    data.mask = ui::kTvifText | ui::kTvifImage | ui::kTvifSelectedImage | ui::kTvifState | ui::kTvifParam;
    data.text = std::u16string(text);
    data.image = data.selectedImage = value == kItemFile ? kImageFile : kImageFolder;
    data.state = kUnchecked;
    data.param = value;
    VKTreeItem *item = ui::TreeInsertItem(fill.tree, parent, fill.insertAfter, data);
    if (item) fill.insertAfter = item;
    return item;
}

int GetCheck(VKHWND tree, VKTreeItem *item) { return ui::TreeIsItem(tree, item) ? item->state : 0; }

void SetCheck(VKHWND tree, VKTreeItem *item, int state) {
    if (!item || item->state == state) return;
    ui::TreeItemData data;
    data.mask = ui::kTvifState;
    data.state = state;
    ui::TreeSetItem(tree, item, data);
}

void CheckSubtree(VKHWND tree, VKTreeItem *first, bool checked) {
    const int state = checked ? kChecked : kUnchecked;
    ForRunAndBelow(tree, first, [&](VKTreeItem *item) { SetCheck(tree, item, state); });
}

void MarkAncestors(VKHWND tree, VKTreeItem *item, bool checked) {
    const int own = checked ? kChecked : kUnchecked;
    for (VKTreeItem *p = Next(tree, item, TreeNext::Parent); p; p = Next(tree, p, TreeNext::Parent))
        if (p->state != own) SetCheck(tree, p, kPartlyChecked);
}

std::u16string ItemPath(VKHWND tree, VKTreeItem *item, std::u16string_view initial) {
    std::u16string path(WithoutTrailingSeparator(initial));
    for (VKTreeItem *p = Next(tree, item, TreeNext::Parent); p; p = Next(tree, p, TreeNext::Parent)) {
        std::u16string joined(WithoutTrailingSeparator(p->text));
        joined += fs::kSep;
        joined += path;
        path = std::move(joined);
    }
    path += fs::kSep;
    return path;
}

std::u16string ItemFilePath(VKHWND tree, VKTreeItem *item) {
    if (!ui::TreeIsItem(tree, item)) return {};
    std::u16string path = ItemPath(tree, item, item->text);
    path.pop_back();
    return path;
}

void ExpandChecked(VKHWND tree, VKTreeItem *first) {
    ForRunAndBelow(tree, first, [&](VKTreeItem *item) {
        if (item->state == kUnchecked) return;
        for (VKTreeItem *p = item; p; p = Next(tree, p, TreeNext::Parent)) Expand(tree, p, true);
    });
}

void ExpandToLeafParents(VKHWND tree, VKTreeItem *first) {
    ForRunAndBelow(tree, first, [&](VKTreeItem *item) {
        VKTreeItem *child = Next(tree, item, TreeNext::Child);
        Expand(tree, item, child && Next(tree, child, TreeNext::Child));
    });
}

void CollapseAll(VKHWND tree, VKTreeItem *first) {
    ForRunAndBelow(tree, first, [&](VKTreeItem *item) { Expand(tree, item, false); });
}

std::vector<std::u16string_view> PathComponents(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    if (!path.empty() && path.front() == fs::kSep) parts.push_back(path.substr(0, 1));
    size_t i = 0;
    while (i < path.size()) {
        const size_t end = std::min(path.find(fs::kSep, i), path.size());
        if (end > i) parts.push_back(path.substr(i, end - i));
        i = end + 1;
    }
    return parts;
}

VKTreeItem *FolderRoot(VKHWND tree, std::u16string_view path, std::u16string_view &rest) {
    VKTreeItem *best = nullptr;
    size_t bestLength = 0;
    for (VKTreeItem *item = Next(tree, nullptr, TreeNext::Root); item; item = Next(tree, item, TreeNext::Next)) {
        const std::u16string_view folder = WithoutTrailingSeparator(item->text);
        // Only a whole folder path is a root: "/", a component item of an
        // absolute chain, is not.
        if (folder.size() < 2 || !fs::IsAbsolutePath(folder) || folder.size() <= bestLength) continue;
        if (path.size() < folder.size() || !text::EqualNoCase(path.substr(0, folder.size()), folder)) continue;
        if (path.size() > folder.size() && path[folder.size()] != fs::kSep) continue;
        best = item;
        bestLength = folder.size();
    }
    if (best) rest = path.substr(std::min(path.size(), bestLength + 1));
    return best;
}

VKTreeItem *SelectItemByPath(VKHWND tree, std::u16string_view path) {
    VKTreeItem *found = nullptr;
    VKTreeItem *run = Next(tree, nullptr, TreeNext::Root);
    std::u16string_view rest = path;
    if (VKTreeItem *root = FolderRoot(tree, path, rest)) {
        found = root;
        Expand(tree, found, true);
        run = Next(tree, found, TreeNext::Child);
    }
    for (std::u16string_view component : PathComponents(rest)) {
        found = FindInRun(tree, run, component);
        if (!found) return nullptr;
        Expand(tree, found, true);
        run = Next(tree, found, TreeNext::Child);
    }
    if (found) ui::TreeSelectItem(tree, found, ui::TreeSelectCode::FirstVisible);
    return found;
}

int ApplyCheckClick(VKHWND tree, VKTreeItem *item) {
    if (!ui::TreeIsItem(tree, item)) return 0;
    const bool checked = item->state == kUnchecked;
    CheckSubtree(tree, Next(tree, item, TreeNext::Child), checked);
    MarkAncestors(tree, item, checked);
    SetCheck(tree, item, checked ? kChecked : kUnchecked);
    return item->state;
}

bool HandleCheckBoxClick(VKHWND tree, int x, int y) {
    const ui::TreeHit hit = ui::TreeHitTest(tree, x, y);
    if (!hit.item || !(hit.flags & ui::kTvhtOnItemStateIcon)) return false;
    ApplyCheckClick(tree, hit.item);
    return true;
}

void ClearSelections(VKHWND tree) {
    ExpandChecked(tree, Next(tree, nullptr, TreeNext::Root));
    for (VKTreeItem *item = Next(tree, nullptr, TreeNext::Root); item; item = Next(tree, item, TreeNext::NextVisible))
        SetCheck(tree, item, kUnchecked);
}

int CountCheckedItems(VKHWND tree) {
    ExpandChecked(tree, Next(tree, nullptr, TreeNext::Root));
    int count = 0;
    for (VKTreeItem *item = Next(tree, nullptr, TreeNext::Root); item; item = Next(tree, item, TreeNext::NextVisible))
        if (item->state == kChecked) ++count;
    return count;
}

bool CheckedLeafPath(VKHWND tree, VKTreeItem *item, std::u16string &path) {
    if (!ui::TreeIsItem(tree, item) || item->state != kChecked || Next(tree, item, TreeNext::Child)) return false;
    path = ItemFilePath(tree, item);
    return true;
}

std::vector<std::u16string> CheckedFiles(VKHWND tree) {
    std::vector<std::u16string> files;
    ExpandChecked(tree, Next(tree, nullptr, TreeNext::Root));
    std::u16string path;
    for (VKTreeItem *item = Next(tree, nullptr, TreeNext::Root); item; item = Next(tree, item, TreeNext::NextVisible))
        if (CheckedLeafPath(tree, item, path)) files.push_back(path);
    return files;
}

SelectionSize MeasureSelection(VKHWND tree) {
    SelectionSize size;
    ForRunAndBelow(tree, Next(tree, nullptr, TreeNext::Root), [&](VKTreeItem *item) {
        if (item->state != kChecked || Next(tree, item, TreeNext::Child)) return;
        ++size.files;
        fs::FileInfo info;
        if (fs::Stat(ItemFilePath(tree, item), info) && !info.directory) size.bytes += info.size;
    });
    return size;
}

} // namespace vk::app

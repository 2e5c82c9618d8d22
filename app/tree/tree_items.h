// The checkable selection tree of the backup page.
//
// Files are leaves, the components of their paths the items above them. Every
// item carries a three-state check box (its state image): 1 unchecked,
// 2 checked, 3 partly checked. Its parameter is its item value: 0 for a file
// leaf, 1 for a path component. The checked leaves (state exactly 2) are the
// selection.
//
// Paths use the native separator. The backup page's tree has one top-level
// item per installation folder, whose text is the folder's whole path
// ("/opt/talvern/bin"); a path outside every such folder starts with the
// file-system root "/" (the counterpart of a drive such as "C:"). Either
// way ItemPath gives back the absolute path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/treeview.h"
#include "vaultkeeplib.h"

namespace vk::app {

// Check states (state image indexes).
inline constexpr int kUnchecked = 1;
inline constexpr int kChecked = 2;
inline constexpr int kPartlyChecked = 3;

// Item values (item parameters).
inline constexpr intptr_t kItemFile = 0;
inline constexpr intptr_t kItemComponent = 1;

// Normal images: closed folder, open folder, file.
inline constexpr int kImageFolder = 0;
inline constexpr int kImageOpenFolder = 1;
inline constexpr int kImageFile = 2;

// The tree being filled and its insertion point (the item inserted last;
// ui::kTviFirst after the tree was cleared). A walk inserts the files of one
// folder one after another: the folder's item is remembered so that each file
// does not search the chain again.
struct TreeFill {
    VKHWND tree = nullptr;
    VKTreeItem *insertAfter = ui::kTviFirst;
    std::u16string lastFolder;          // folder part of the path inserted last
    VKTreeItem *lastFolderItem = nullptr; // its item
};

// Inserts `text` under `parent` (null: top level) after the insertion point,
// which it then becomes: within one parent items keep the order of insertion.
// Image kImageFile for a file (value 0), kImageFolder otherwise; unchecked.
VKTreeItem *InsertTreeItem(TreeFill &fill, std::u16string_view text, VKTreeItem *parent, intptr_t value);

int GetCheck(VKHWND tree, VKTreeItem *item);
void SetCheck(VKHWND tree, VKTreeItem *item, int state);

// Sets the sibling run that starts at `first`, with all descendants, to
// checked or unchecked.
void CheckSubtree(VKHWND tree, VKTreeItem *first, bool checked);

// Marks every ancestor of `item` that is not in the item's state as partly
// checked. Never makes an ancestor fully checked or unchecked.
void MarkAncestors(VKHWND tree, VKTreeItem *item, bool checked);

// `initial` (normally the item's own text) with the texts of the item's
// ancestors before it, nearest last, joined by single separators and ending
// in one: "/", "opt", "talvern", "a.ini" gives "/opt/talvern/a.ini/".
std::u16string ItemPath(VKHWND tree, VKTreeItem *item, std::u16string_view initial);
// The item's full path without the trailing separator.
std::u16string ItemFilePath(VKHWND tree, VKTreeItem *item);

// For `first`, its following siblings and all their descendants: every item
// that is checked or partly checked is expanded together with its ancestors.
void ExpandChecked(VKHWND tree, VKTreeItem *first);

// For `first`, its following siblings and all their descendants: an item
// whose first child has children is expanded, every other item collapsed.
void ExpandToLeafParents(VKHWND tree, VKTreeItem *first);

// The top-level item of the installation folder that holds `path`: an item
// whose text is a whole absolute folder path ("/opt/talvern/bin") that is
// `path` itself or one of its parents; the deepest one when folders nest.
// `rest` gets the part of `path` below it. Null when no such item exists.
VKTreeItem *FolderRoot(VKHWND tree, std::u16string_view path, std::u16string_view &rest);

// Collapses `first`, its following siblings and all their descendants.
void CollapseAll(VKHWND tree, VKTreeItem *first);

// The components of a path, split at separators with empty components
// skipped; a leading separator gives the root component "/".
std::vector<std::u16string_view> PathComponents(std::u16string_view path);

// Finds the item of a path's last component, expanding each item on the way,
// and scrolls it to the first row. A path inside an installation folder's
// top-level item (FolderRoot) is looked for below that item. Components are compared whole, case
// ignored; empty components are skipped. Null when a component is missing.
VKTreeItem *SelectItemByPath(VKHWND tree, std::u16string_view path);

// ---- Check-box clicks ------------------------------------------------------

// A click on an item's check box: checked or partly checked becomes
// unchecked, unchecked becomes checked; the new state spreads to every item
// below and marks the ancestors. Returns the new state (0 for no item).
int ApplyCheckClick(VKHWND tree, VKTreeItem *item);

// The page's handling of a click notification at (x, y) in the tree: true
// when it fell on a check box and was applied; the page then returns non-zero
// so that the control does not advance the state image itself.
bool HandleCheckBoxClick(VKHWND tree, int x, int y);

// ---- Page operations -------------------------------------------------------

// Clear Selections: expands the checked parts and unchecks every item shown.
void ClearSelections(VKHWND tree);

// The walk of the selection, in display order after ExpandChecked.
// CountCheckedItems expands the checked parts and counts the visible items in
// state 2, folders included (the progress total). CheckedLeafPath is true for
// a checked item without children and gives its full path.
int CountCheckedItems(VKHWND tree);
bool CheckedLeafPath(VKHWND tree, VKTreeItem *item, std::u16string &path);
// The whole selection at once: the paths of the checked leaves.
std::vector<std::u16string> CheckedFiles(VKHWND tree);

// How many checked leaves the tree holds and their size on disk (files that
// cannot be read count 0 bytes). Walks every item, expanded or not, and
// changes nothing.
struct SelectionSize {
    int files = 0;
    uint64_t bytes = 0;
};
SelectionSize MeasureSelection(VKHWND tree);

} // namespace vk::app

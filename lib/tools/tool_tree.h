// The tool tree: the tool database shown in a tree-view control, five levels
// deep (tool kind, category, tool, model, serial number). The exports
// FillToolTree, AddAToolToTree, FindToolInTree, FindTextInTree and
// FreeTreeParam (include/vaultkeeplib.h) and the tool selection dialog build
// on the operations here.
//
// Every item made here carries a ToolTreeItemData block (AllocZeroed) as its
// parameter; the block belongs to the item and goes with FreeTreeParam when
// the tree deletes the item. An item is never inserted without its block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "lib/tools/tool_db.h"
#include "platform/ui/treeview.h"
#include "vaultkeeplib.h"

namespace vk::tools {

// Images of the tree (bitmap 110 of the library): 1..3 the tool kinds,
// 4 a serial number, 5 a category; frame 0 is not used by any item.
inline constexpr int32_t kToolTreeBitmap = 110;
inline constexpr int kImageSerial = 4;
inline constexpr int kImageCategory = 5;

// Item texts are read with room for 255 characters.
inline constexpr size_t kItemTextChars = 256;
inline constexpr size_t kAvailableChars = 1024;

// The kind roots of one tree, indexed by kind 1..3 (index 0 unused).
using KindRoots = std::array<VKTreeItem *, 4>;

// The roots of the last tree filled by FillToolTree; AddAToolToTree inserts
// under them (one extendable tool tree per process).
KindRoots &LastFilledRoots();

// The block of an item (null when the item has none or is no item).
ToolTreeItemData *ItemData(VKHWND tree, VKTreeItem *item);
std::u16string ItemText(VKHWND tree, VKTreeItem *item);

// One entry to insert.
struct TreeEntry {
    int kind = 1;
    std::u16string_view category;
    std::u16string_view tool;
    const char16_t *serial = nullptr; // null: no serial level
    std::u16string_view model;
    std::u16string_view label;
    std::u16string_view description;
};
// Inserts one entry under `kindRoot` (category, tool, model and serial
// levels as needed). Returns the serial item made, or the model item (found
// or made) when the entry has no serial level; null when the label is empty,
// when the serial number is there already, when kindRoot is null, or when an
// item could not be made.
VKTreeItem *InsertToolEntry(VKHWND tree, VKTreeItem *kindRoot, const TreeEntry &entry, const char16_t *toolsFile);

// Leaves an entry out of the tree (section T-S or T-M given) when it returns
// true; used by the selection dialog for entries already transferred.
struct EntryFilter {
    bool (*skip)(const std::u16string &section, void *context) = nullptr;
    void *context = nullptr;
};
// Inserts every entry of tool `tool` from `toolsFile`: its serial numbers,
// its models and, with `bareTool`, the tool itself when it has no models.
// Returns the number of entries handed to the insert.
int InsertToolEntries(VKHWND tree, const KindRoots &roots, const char16_t *tool, const char16_t *toolsFile,
                      bool bareTool, EntryFilter filter = {});

// Fill steps 1 to 4: empties the tree, sets the image list, inserts the kind
// roots (1 up to ToolCategoryCount) and their category items.
KindRoots FillToolTreeFrame(VKHWND tree, const char16_t *toolsFile);
// Sorts, for the kind roots from `first` on, each root's subtree by text.
void SortKindRoots(VKHWND tree, VKTreeItem *first);

// Depth-first search (FindTextInTree); kind < 0 matches every kind.
bool FindTextFrom(VKHWND tree, std::u16string_view text, VKTreeItem *start, VKTreeItem **found, int kind);

// Adds the images of the tool tree (bitmap 110) to a module.
void AddToolTreeImages(VKModule &module);

} // namespace vk::tools

// The tree-view control of the window model.
//
// A tree view is a VKWindow of kind TreeView; its items are VKTreeItem records
// owned by the control. Items carry a text, a normal and a selected image, a
// state image index (0 none, 1.. an index into the state image list; check-box
// trees use 1 unchecked, 2 checked, ...), a parameter and an expanded flag.
// Siblings form a doubly linked list under their parent, so walks by sibling
// are constant time however many items a folder holds.
//
// Notifications go to the tree's parent as kMsgNotify (wparam: the tree's id,
// lparam: const Notify*):
//   kTvnDeleteItem  for every deleted item, children before their parent, with
//                   the item (still readable) and its parameter, so owners can
//                   free their data;
//   kTvnSelChanged  when the caret selection changes (item: new, oldItem: old);
//   kNmClick / kNmDblClick / kNmRightClick for mouse clicks (x, y in the
//                   control's pixels), before the control's own processing;
//                   a non-zero result suppresses that processing;
//   kTvnItemExpanded after a click expanded or collapsed an item.
//
// Geometry (pixels, shared by the hit test and by renderers): rows are
// kTreeRowHeight high, the first visible item in row 0. An item at depth d
// (top-level items have depth 0) is laid out from the left edge as
//   [0, d*kTreeIndent)                     indent
//   [d*kTreeIndent, (d+1)*kTreeIndent)     expand button (on items with children)
//   kTreeStateWidth                        state image, when the tree shows state
//                                          images (kStyleCheckBoxes or a state list)
//   kTreeImageWidth                        normal image, when a normal list is set
//   2*kTreeLabelPadding + kTreeCharWidth*length of text   label
// and what lies right of the label is "right of the item".
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/ui/ui.h"

struct VKModule;

namespace vk::ui {

inline constexpr int kTreeRowHeight = 18;
inline constexpr int kTreeIndent = 19;
inline constexpr int kTreeStateWidth = 18;  // 16-pixel image and a 2-pixel gap
inline constexpr int kTreeImageWidth = 18;  // 16-pixel image and a 2-pixel gap
inline constexpr int kTreeLabelPadding = 2;
inline constexpr int kTreeCharWidth = 7;

// Special positions for TreeInsertItem and TreeDeleteItem (the classic values).
VKTreeItem *const kTviRoot = reinterpret_cast<VKTreeItem *>(static_cast<intptr_t>(-0x10000));
VKTreeItem *const kTviFirst = reinterpret_cast<VKTreeItem *>(static_cast<intptr_t>(-0x0FFFF));
VKTreeItem *const kTviLast = reinterpret_cast<VKTreeItem *>(static_cast<intptr_t>(-0x0FFFE));
VKTreeItem *const kTviSort = reinterpret_cast<VKTreeItem *>(static_cast<intptr_t>(-0x0FFFD));

// Item fields; TreeSetItem changes only the fields named in `mask`.
enum : uint32_t {
    kTvifText = 0x1,
    kTvifImage = 0x2,
    kTvifSelectedImage = 0x4,
    kTvifState = 0x8, // the state image index
    kTvifParam = 0x10,
    kTvifExpanded = 0x20,
    kTvifAll = 0x3F,
};

struct TreeItemData {
    uint32_t mask = kTvifAll;
    std::u16string text;
    int image = 0;
    int selectedImage = 0;
    int state = 0;
    intptr_t param = 0;
    bool expanded = false;
    bool hasChildren = false; // out only
};

// Walk codes of TreeGetNext.
enum class TreeNext : uint8_t {
    Root,            // first top-level item (item ignored)
    Child,           // first child
    Next,            // next sibling
    Previous,        // previous sibling
    Parent,          // parent (null for a top-level item)
    FirstVisible,    // the item shown in the first row (item ignored)
    NextVisible,     // next item in display order; the item must be visible
    PreviousVisible, // previous item in display order; the item must be visible
    LastVisible,     // last item in display order (item ignored)
    Caret,           // the selected item (item ignored)
    DropHighlight,   // the drop target highlight (item ignored)
};

// Hit-test flags (the classic values).
enum : uint32_t {
    kTvhtNowhere = 0x1,
    kTvhtOnItemIcon = 0x2,
    kTvhtOnItemLabel = 0x4,
    kTvhtOnItemIndent = 0x8,
    kTvhtOnItemButton = 0x10,
    kTvhtOnItemRight = 0x20,
    kTvhtOnItemStateIcon = 0x40,
    kTvhtOnItem = kTvhtOnItemIcon | kTvhtOnItemLabel | kTvhtOnItemStateIcon,
    kTvhtAbove = 0x100,
    kTvhtBelow = 0x200,
    kTvhtToRight = 0x400,
    kTvhtToLeft = 0x800,
};

struct TreeHit {
    VKTreeItem *item = nullptr;
    uint32_t flags = kTvhtNowhere;
};

enum class TreeExpandCode : uint8_t { Collapse, Expand, Toggle };
enum class TreeSelectCode : uint8_t { Caret, FirstVisible, DropHighlight };
enum class TreeImageKind : uint8_t { Normal, State };

// Notification actions (Notify::action of kTvnSelChanged / kTvnItemExpanded).
enum : int32_t { kTvcUnknown = 0, kTvcByMouse = 1, kTvcByKeyboard = 2 };

// An image list: frames taken from module images (each image a row of square
// frames). Renderers fetch the pixels from the module.
struct ImageFrame {
    const VKModule *module = nullptr;
    int32_t imageId = 0;
    int frame = 0;
};
struct ImageList {
    int size = 16;
    std::vector<ImageFrame> frames;
};
// Appends every frame of image `imageId` of `module`; returns the index of the
// first frame added, or -1 when the module has no such image.
int ImageListAdd(ImageList &list, VKHMODULE module, int32_t imageId);
int ImageListCount(const ImageList &list);

// Inserts an item under `parent` (null or kTviRoot: top level) with the fields
// of `data` named in its mask (the others 0; in a kStyleCheckBoxes tree a state
// not named is 1, unchecked), after
// `insertAfter` (kTviFirst, kTviLast, kTviSort or a child of `parent`; an item
// that is not a child of `parent` inserts last). Null when `tree` is no tree
// view or `parent` is not one of its items.
VKTreeItem *TreeInsertItem(VKHWND tree, VKTreeItem *parent, VKTreeItem *insertAfter, const TreeItemData &data);
// Deletes an item and its descendants (null or kTviRoot: every item).
bool TreeDeleteItem(VKHWND tree, VKTreeItem *item);
bool TreeDeleteAllItems(VKHWND tree);
VKTreeItem *TreeGetNext(VKHWND tree, VKTreeItem *item, TreeNext code);
bool TreeGetItem(VKHWND tree, VKTreeItem *item, TreeItemData &out);
bool TreeSetItem(VKHWND tree, VKTreeItem *item, const TreeItemData &data);
bool TreeIsItem(VKHWND tree, VKTreeItem *item);
// Expands or collapses without notifications. Collapsing an item that holds
// the selection moves the selection to that item.
bool TreeExpand(VKHWND tree, VKTreeItem *item, TreeExpandCode code);
// Sorts the children of `parent` (null or kTviRoot: the top level) by text,
// case ignored, in the classic control's order (see CompareTreeText);
// `recurse` sorts every level below as well.
bool TreeSortChildren(VKHWND tree, VKTreeItem *parent, bool recurse);
using TreeCompare = int (*)(intptr_t param1, intptr_t param2, intptr_t context);
// Sorts the children of `parent` with a comparison of item parameters; the
// sort is stable.
bool TreeSortChildrenCb(VKHWND tree, VKTreeItem *parent, TreeCompare compare, intptr_t context, bool recurse);
// The text order of sorting: case ignored, hyphens and apostrophes ignored
// except to break ties, punctuation before digits before letters, digits
// compared as characters ("10" before "9").
int CompareTreeText(std::u16string_view a, std::u16string_view b);
TreeHit TreeHitTest(VKHWND tree, int x, int y);
// The rectangle of an item's row (textOnly: of its label) in control pixels;
// false when the item is not in an expanded part of the tree.
bool TreeGetItemRect(VKHWND tree, VKTreeItem *item, bool textOnly, Rect &out);
// Caret: selects (notifying kTvnSelChanged when it changes) and scrolls into
// view; FirstVisible: expands the ancestors and scrolls the item to the first
// row as far as the tree allows; DropHighlight: marks the drop target.
bool TreeSelectItem(VKHWND tree, VKTreeItem *item, TreeSelectCode code = TreeSelectCode::Caret);
VKTreeItem *TreeGetSelection(VKHWND tree);
// Expands the ancestors and scrolls the item into the rows shown.
bool TreeEnsureVisible(VKHWND tree, VKTreeItem *item);
size_t TreeGetCount(VKHWND tree);
// Number of rows the control shows (at least 1).
int TreeVisibleRows(VKHWND tree);
// Index of the first visible item among the items in display order.
int TreeScrollPos(VKHWND tree);
bool TreeSetImageList(VKHWND tree, TreeImageKind kind, const ImageList &list);
const ImageList *TreeGetImageList(VKHWND tree, TreeImageKind kind);
// Depth of an item (0 for a top-level item), -1 for no item of the tree.
int TreeItemDepth(VKHWND tree, VKTreeItem *item);

// User input, for backends and tests: a click at (x, y) in control pixels.
// Sends kNmClick to the parent; unless the parent returns non-zero, a click on
// the state image advances it by one (after the last state image back to 1),
// a click on the button toggles the item, a click on the icon or label
// selects it. A double click on an item toggles its expansion.
void TreeClick(VKHWND tree, int x, int y);
void TreeDoubleClick(VKHWND tree, int x, int y);
// The Space key: the selected item is scrolled into view and its check box
// clicked (TreeClick at the state image), so the owner's click handling (the
// three-state rules of a page or dialog) applies as to the mouse. False when
// nothing is selected or the tree shows no state images.
bool TreeKeyToggle(VKHWND tree);

} // namespace vk::ui

// A tree-view item. The control owns it; a handle stays valid until the item
// is deleted.
struct VKTreeItem {
    std::u16string text;
    int image = 0;
    int selectedImage = 0;
    int state = 0;
    intptr_t param = 0;
    bool expanded = false;
    VKTreeItem *parent = nullptr; // the tree's hidden root for top-level items
    VKTreeItem *firstChild = nullptr;
    VKTreeItem *lastChild = nullptr;
    VKTreeItem *prev = nullptr;
    VKTreeItem *next = nullptr;
};

namespace vk::ui {

// The state of one tree-view control (held by its VKWindow).
struct TreeState {
    VKTreeItem root;                        // hidden; its children are the top level
    std::unordered_set<VKTreeItem *> live;  // every item of the tree
    VKTreeItem *selected = nullptr;
    VKTreeItem *top = nullptr;              // item in the first row; clamped to the
                                            // last page when read (renderers use
                                            // TreeGetNext FirstVisible)
    VKTreeItem *dropHighlight = nullptr;
    ImageList normal;
    ImageList state;
    bool hasNormal = false;
    bool hasState = false;
    TreeState() = default;
    TreeState(const TreeState &) = delete;
    TreeState &operator=(const TreeState &) = delete;
    ~TreeState();
};

} // namespace vk::ui

// The tree-view control: items, walks, expansion, sorting, scrolling,
// selection, hit testing and clicks.
#include "platform/ui/treeview.h"

#include <algorithm>
#include <functional>

#include "platform/module/resources.h"
#include "platform/text/text.h"
#include "platform/ui/window.h"

namespace vk::ui {

TreeState::~TreeState() {
    for (VKTreeItem *item : live) delete item;
}

namespace {

struct Tree {
    VKWindow *w = nullptr;
    TreeState *s = nullptr;
    explicit operator bool() const { return s != nullptr; }
};

Tree Of(VKHWND tree) {
    VKWindow *w = Live(tree);
    if (!w || !w->tree) return {};
    return {w, w->tree.get()};
}

bool Valid(const Tree &t, VKTreeItem *item) { return item && t.s->live.count(item) != 0; }

void Changed(const Tree &t) { CurrentBackend().WindowChanged(t.w); }

// The parent an insert or sort names: null and kTviRoot are the top level.
VKTreeItem *ParentOf(const Tree &t, VKTreeItem *parent) {
    if (!parent || parent == kTviRoot) return &t.s->root;
    return Valid(t, parent) ? parent : nullptr;
}

void Link(VKTreeItem *parent, VKTreeItem *after, VKTreeItem *item) {
    item->parent = parent;
    item->prev = after;
    item->next = after ? after->next : parent->firstChild;
    if (item->next) item->next->prev = item;
    else parent->lastChild = item;
    if (after) after->next = item;
    else parent->firstChild = item;
}

void Unlink(VKTreeItem *item) {
    VKTreeItem *parent = item->parent;
    if (item->prev) item->prev->next = item->next;
    else parent->firstChild = item->next;
    if (item->next) item->next->prev = item->prev;
    else parent->lastChild = item->prev;
    item->prev = item->next = nullptr;
}

bool IsDescendant(const VKTreeItem *item, const VKTreeItem *ancestor) {
    for (const VKTreeItem *p = item ? item->parent : nullptr; p; p = p->parent)
        if (p == ancestor) return true;
    return false;
}

// Shown: every ancestor is expanded.
bool IsShown(const Tree &t, const VKTreeItem *item) {
    for (const VKTreeItem *p = item->parent; p && p != &t.s->root; p = p->parent)
        if (!p->expanded) return false;
    return true;
}

// The item after `item` when its children are skipped.
VKTreeItem *NextSkippingChildren(const Tree &t, VKTreeItem *item) {
    for (VKTreeItem *p = item; p && p != &t.s->root; p = p->parent)
        if (p->next) return p->next;
    return nullptr;
}

VKTreeItem *NextShown(const Tree &t, VKTreeItem *item) {
    if (item->expanded && item->firstChild) return item->firstChild;
    return NextSkippingChildren(t, item);
}

VKTreeItem *PrevShown(const Tree &t, VKTreeItem *item) {
    if (item->prev) {
        VKTreeItem *p = item->prev;
        while (p->expanded && p->lastChild) p = p->lastChild;
        return p;
    }
    return item->parent == &t.s->root ? nullptr : item->parent;
}

VKTreeItem *LastShown(const Tree &t) {
    VKTreeItem *p = t.s->root.lastChild;
    while (p && p->expanded && p->lastChild) p = p->lastChild;
    return p;
}

int ShownIndex(const Tree &t, const VKTreeItem *item) {
    int i = 0;
    for (VKTreeItem *p = t.s->root.firstChild; p; p = NextShown(t, p), ++i)
        if (p == item) return i;
    return -1;
}

int ShownCount(const Tree &t) {
    int n = 0;
    for (VKTreeItem *p = t.s->root.firstChild; p; p = NextShown(t, p)) ++n;
    return n;
}

VKTreeItem *ShownAt(const Tree &t, int index) {
    VKTreeItem *p = t.s->root.firstChild;
    for (; p && index > 0; --index) p = NextShown(t, p);
    return p;
}

int Rows(const Tree &t) { return std::max(1, t.w->rect.h / kTreeRowHeight); }

// Keeps the first row valid: on a shown item, and not scrolled further than
// the last page allows.
void ClampTop(const Tree &t) {
    TreeState &s = *t.s;
    if (s.top && (!s.live.count(s.top) || !IsShown(t, s.top))) {
        VKTreeItem *p = s.top;
        while (p->parent != &s.root && !IsShown(t, p)) p = p->parent;
        s.top = p;
    }
    if (!s.top) s.top = s.root.firstChild;
    if (!s.top) return;
    const int maxTop = std::max(0, ShownCount(t) - Rows(t));
    if (ShownIndex(t, s.top) > maxTop) s.top = ShownAt(t, maxTop);
}

void SelectCaret(const Tree &t, VKTreeItem *item, int32_t action) {
    TreeState &s = *t.s;
    if (s.selected == item) return;
    VKTreeItem *old = s.selected;
    s.selected = item;
    Changed(t);
    Notify n;
    n.code = kTvnSelChanged;
    n.item = item;
    n.oldItem = old;
    n.param = item ? item->param : 0;
    n.action = action;
    NotifyParent(t.w, n);
}

void ExpandAncestors(const Tree &t, VKTreeItem *item) {
    for (VKTreeItem *p = item->parent; p && p != &t.s->root; p = p->parent) p->expanded = true;
}

void SetExpanded(const Tree &t, VKTreeItem *item, bool expand) {
    if (item->expanded == expand) return;
    item->expanded = expand;
    if (!expand) {
        TreeState &s = *t.s;
        // The first row is clamped to the shorter list when it is next read.
        if (s.top && IsDescendant(s.top, item)) s.top = item;
        Changed(t);
        if (s.selected && IsDescendant(s.selected, item)) SelectCaret(t, item, kTvcUnknown);
        return;
    }
    Changed(t);
}

void ScrollIntoView(const Tree &t, VKTreeItem *item) {
    ExpandAncestors(t, item);
    ClampTop(t);
    const int index = ShownIndex(t, item);
    const int top = ShownIndex(t, t.s->top);
    const int rows = Rows(t);
    if (index < top) t.s->top = item;
    else if (index >= top + rows) t.s->top = ShownAt(t, index - rows + 1);
    Changed(t);
}

void CollectPostOrder(VKTreeItem *first, std::vector<VKTreeItem *> &out) {
    // Iterative, so deep trees cannot exhaust the stack.
    std::vector<std::pair<VKTreeItem *, bool>> stack{{first, false}};
    while (!stack.empty()) {
        auto [item, childrenDone] = stack.back();
        stack.pop_back();
        if (childrenDone) {
            out.push_back(item);
            continue;
        }
        stack.emplace_back(item, true);
        std::vector<VKTreeItem *> kids;
        for (VKTreeItem *c = item->firstChild; c; c = c->next) kids.push_back(c);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.emplace_back(*it, false);
    }
}

// Deletes `item` (the hidden root: every item) with its descendants,
// notifying the parent window of each one, children first.
void DeleteSubtree(const Tree &t, VKTreeItem *item) {
    TreeState &s = *t.s;
    const bool all = item == &s.root;
    std::vector<VKTreeItem *> order;
    if (all) {
        for (VKTreeItem *c = s.root.firstChild; c; c = c->next) CollectPostOrder(c, order);
        s.selected = nullptr;
        s.top = nullptr;
        s.dropHighlight = nullptr;
    } else {
        CollectPostOrder(item, order);
        auto inside = [&](VKTreeItem *x) { return x == item || IsDescendant(x, item); };
        if (s.top && inside(s.top)) {
            VKTreeItem *after = NextSkippingChildren(t, item);
            s.top = after ? after : PrevShown(t, item);
        }
        if (s.dropHighlight && inside(s.dropHighlight)) s.dropHighlight = nullptr;
        if (s.selected && inside(s.selected)) {
            VKTreeItem *next = item->next ? item->next : item->prev;
            if (!next && item->parent != &s.root) next = item->parent;
            SelectCaret(t, next, kTvcUnknown);
            if (!Live(t.w)) return;
        }
    }
    VKWindow *w = t.w;
    for (VKTreeItem *x : order) {
        if (!s.live.count(x)) continue; // a handler deleted it already
        Notify n;
        n.code = kTvnDeleteItem;
        n.item = x;
        n.param = x->param;
        NotifyParent(w, n);
        if (!Live(w) || w->tree.get() != &s) return;
        if (!s.live.count(x)) continue;
        // Items a handler inserted below meanwhile go as well.
        while (x->firstChild) DeleteSubtree(t, x->firstChild);
        if (s.selected == x) s.selected = nullptr;
        if (s.top == x) s.top = nullptr;
        Unlink(x);
        s.live.erase(x);
        delete x;
    }
    Changed(t);
}

// Sort group of a character: 0 punctuation and symbols, 1 digits, 2 letters.
int CharGroup(char16_t c) {
    if (c >= u'0' && c <= u'9') return 1;
    const bool asciiLetter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    // Latin-1 punctuation and symbols and the two arithmetic signs are not letters;
    // other characters beyond ASCII are taken as letters.
    const bool otherLetter = c >= 0xC0 && c != 0xD7 && c != 0xF7;
    return (asciiLetter || otherLetter) ? 2 : 0;
}

int CompareChar(char16_t a, char16_t b) {
    const int ga = CharGroup(a), gb = CharGroup(b);
    if (ga != gb) return ga < gb ? -1 : 1;
    const char16_t fa = text::FoldCase(a), fb = text::FoldCase(b);
    if (fa != fb) return fa < fb ? -1 : 1;
    return 0;
}

int CompareFiltered(std::u16string_view a, std::u16string_view b, bool skipWordMarks) {
    auto skip = [&](char16_t c) { return skipWordMarks && (c == u'-' || c == u'\''); };
    size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && skip(a[i])) ++i;
        while (j < b.size() && skip(b[j])) ++j;
        if (i == a.size() || j == b.size()) return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        if (const int c = CompareChar(a[i], b[j]); c != 0) return c;
        ++i;
        ++j;
    }
}

void SortLevel(VKTreeItem *parent, bool recurse, const std::function<bool(VKTreeItem *, VKTreeItem *)> &less) {
    std::vector<VKTreeItem *> stack{parent};
    while (!stack.empty()) {
        VKTreeItem *p = stack.back();
        stack.pop_back();
        std::vector<VKTreeItem *> kids;
        for (VKTreeItem *c = p->firstChild; c; c = c->next) kids.push_back(c);
        std::stable_sort(kids.begin(), kids.end(), less);
        p->firstChild = p->lastChild = nullptr;
        VKTreeItem *prev = nullptr;
        for (VKTreeItem *c : kids) {
            Link(p, prev, c);
            prev = c;
        }
        if (recurse)
            for (VKTreeItem *c : kids)
                if (c->firstChild) stack.push_back(c);
    }
}

struct Layout {
    int button, state, icon, label, right;
};

Layout LayoutOf(const Tree &t, const VKTreeItem *item, int depth) {
    const bool showState = (t.w->style & kStyleCheckBoxes) || t.s->hasState;
    Layout l;
    l.button = depth * kTreeIndent;
    l.state = l.button + kTreeIndent;
    l.icon = l.state + (showState ? kTreeStateWidth : 0);
    l.label = l.icon + (t.s->hasNormal ? kTreeImageWidth : 0);
    l.right = l.label + 2 * kTreeLabelPadding + kTreeCharWidth * static_cast<int>(item->text.size());
    return l;
}

int Depth(const Tree &t, const VKTreeItem *item) {
    int d = 0;
    for (const VKTreeItem *p = item->parent; p && p != &t.s->root; p = p->parent) ++d;
    return d;
}

int StateImageCount(const Tree &t) {
    // Without a list of its own, a check-box tree has the blank, unchecked and
    // checked images.
    return t.s->hasState ? ImageListCount(t.s->state) : 3;
}

} // namespace

int CompareTreeText(std::u16string_view a, std::u16string_view b) {
    if (const int c = CompareFiltered(a, b, true); c != 0) return c;
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return CompareFiltered(a, b, false);
}

int ImageListAdd(ImageList &list, VKHMODULE module, int32_t imageId) {
    if (!module) return -1;
    const auto it = module->images.find(imageId);
    if (it == module->images.end()) return -1;
    const VKImage &image = it->second;
    const int frame = image.frame > 0 ? image.frame : image.height;
    const int count = frame > 0 ? image.width / frame : 0;
    if (count <= 0) return -1;
    const int first = static_cast<int>(list.frames.size());
    for (int k = 0; k < count; ++k) list.frames.push_back({module, imageId, k});
    return first;
}

int ImageListCount(const ImageList &list) { return static_cast<int>(list.frames.size()); }

VKTreeItem *TreeInsertItem(VKHWND tree, VKTreeItem *parent, VKTreeItem *insertAfter, const TreeItemData &data) {
    Tree t = Of(tree);
    if (!t) return nullptr;
    VKTreeItem *p = ParentOf(t, parent);
    if (!p) return nullptr;
    auto *item = new VKTreeItem;
    if (data.mask & kTvifText) item->text = data.text;
    if (data.mask & kTvifImage) item->image = data.image;
    if (data.mask & kTvifSelectedImage) item->selectedImage = data.selectedImage;
    if (data.mask & kTvifState) item->state = data.state;
    else if (t.w->style & kStyleCheckBoxes) item->state = 1; // check-box trees start unchecked
    if (data.mask & kTvifParam) item->param = data.param;
    if (data.mask & kTvifExpanded) item->expanded = data.expanded;
    VKTreeItem *after = p->lastChild;
    if (insertAfter == kTviFirst) {
        after = nullptr;
    } else if (insertAfter == kTviSort) {
        // After the last sibling that does not sort behind the new text.
        after = nullptr;
        for (VKTreeItem *c = p->firstChild; c && CompareTreeText(item->text, c->text) >= 0; c = c->next) after = c;
    } else if (insertAfter != kTviLast && insertAfter && insertAfter != kTviRoot && Valid(t, insertAfter) &&
               insertAfter->parent == p) {
        after = insertAfter;
    }
    Link(p, after, item);
    t.s->live.insert(item);
    if (!t.s->top) t.s->top = t.s->root.firstChild;
    Changed(t);
    return item;
}

bool TreeDeleteItem(VKHWND tree, VKTreeItem *item) {
    Tree t = Of(tree);
    if (!t) return false;
    if (!item || item == kTviRoot) {
        DeleteSubtree(t, &t.s->root);
        return true;
    }
    if (!Valid(t, item)) return false;
    DeleteSubtree(t, item);
    return true;
}

bool TreeDeleteAllItems(VKHWND tree) { return TreeDeleteItem(tree, nullptr); }

void TreeDestroyItems(VKWindow *tree) {
    Tree t = Of(tree);
    if (t) DeleteSubtree(t, &t.s->root);
}

bool TreeIsItem(VKHWND tree, VKTreeItem *item) {
    Tree t = Of(tree);
    return t && Valid(t, item);
}

VKTreeItem *TreeGetNext(VKHWND tree, VKTreeItem *item, TreeNext code) {
    Tree t = Of(tree);
    if (!t) return nullptr;
    TreeState &s = *t.s;
    switch (code) {
    case TreeNext::Root: return s.root.firstChild;
    case TreeNext::FirstVisible: ClampTop(t); return s.top;
    case TreeNext::LastVisible: return LastShown(t);
    case TreeNext::Caret: return s.selected;
    case TreeNext::DropHighlight: return s.dropHighlight;
    default: break;
    }
    if (!Valid(t, item)) return nullptr;
    switch (code) {
    case TreeNext::Child: return item->firstChild;
    case TreeNext::Next: return item->next;
    case TreeNext::Previous: return item->prev;
    case TreeNext::Parent: return item->parent == &s.root ? nullptr : item->parent;
    case TreeNext::NextVisible: return IsShown(t, item) ? NextShown(t, item) : nullptr;
    case TreeNext::PreviousVisible: return IsShown(t, item) ? PrevShown(t, item) : nullptr;
    default: return nullptr;
    }
}

bool TreeGetItem(VKHWND tree, VKTreeItem *item, TreeItemData &out) {
    Tree t = Of(tree);
    if (!t || !Valid(t, item)) return false;
    out.mask = kTvifAll;
    out.text = item->text;
    out.image = item->image;
    out.selectedImage = item->selectedImage;
    out.state = item->state;
    out.param = item->param;
    out.expanded = item->expanded;
    out.hasChildren = item->firstChild != nullptr;
    return true;
}

bool TreeSetItem(VKHWND tree, VKTreeItem *item, const TreeItemData &data) {
    Tree t = Of(tree);
    if (!t || !Valid(t, item)) return false;
    if (data.mask & kTvifText) item->text = data.text;
    if (data.mask & kTvifImage) item->image = data.image;
    if (data.mask & kTvifSelectedImage) item->selectedImage = data.selectedImage;
    if (data.mask & kTvifState) item->state = data.state;
    if (data.mask & kTvifParam) item->param = data.param;
    Changed(t);
    if (data.mask & kTvifExpanded) SetExpanded(t, item, data.expanded);
    return true;
}

bool TreeExpand(VKHWND tree, VKTreeItem *item, TreeExpandCode code) {
    Tree t = Of(tree);
    if (!t || !Valid(t, item)) return false;
    // An item without children has nothing to show or hide.
    if (!item->firstChild) return false;
    bool expand = code == TreeExpandCode::Expand;
    if (code == TreeExpandCode::Toggle) expand = !item->expanded;
    if (item->expanded == expand) return false;
    SetExpanded(t, item, expand);
    return true;
}

bool TreeSortChildren(VKHWND tree, VKTreeItem *parent, bool recurse) {
    Tree t = Of(tree);
    if (!t) return false;
    VKTreeItem *p = ParentOf(t, parent);
    if (!p) return false;
    SortLevel(p, recurse, [](VKTreeItem *a, VKTreeItem *b) { return CompareTreeText(a->text, b->text) < 0; });
    Changed(t);
    return true;
}

bool TreeSortChildrenCb(VKHWND tree, VKTreeItem *parent, TreeCompare compare, intptr_t context, bool recurse) {
    Tree t = Of(tree);
    if (!t || !compare) return false;
    VKTreeItem *p = ParentOf(t, parent);
    if (!p) return false;
    SortLevel(p, recurse,
              [&](VKTreeItem *a, VKTreeItem *b) { return compare(a->param, b->param, context) < 0; });
    Changed(t);
    return true;
}

TreeHit TreeHitTest(VKHWND tree, int x, int y) {
    Tree t = Of(tree);
    TreeHit hit;
    if (!t) return hit;
    const int w = t.w->rect.w, h = t.w->rect.h;
    uint32_t outside = 0;
    if (y < 0) outside |= kTvhtAbove;
    if (h > 0 && y >= h) outside |= kTvhtBelow;
    if (x < 0) outside |= kTvhtToLeft;
    if (w > 0 && x >= w) outside |= kTvhtToRight;
    if (outside) {
        hit.flags = outside;
        return hit;
    }
    ClampTop(t);
    VKTreeItem *item = t.s->top;
    for (int row = y / kTreeRowHeight; item && row > 0; --row) item = NextShown(t, item);
    if (!item) return hit;
    const Layout l = LayoutOf(t, item, Depth(t, item));
    hit.item = item;
    if (x < l.button) hit.flags = kTvhtOnItemIndent;
    else if (x < l.state) hit.flags = item->firstChild ? kTvhtOnItemButton : kTvhtOnItemIndent;
    else if (x < l.icon) hit.flags = item->state > 0 ? kTvhtOnItemStateIcon : kTvhtOnItemIndent;
    else if (x < l.label) hit.flags = kTvhtOnItemIcon;
    else if (x < l.right) hit.flags = kTvhtOnItemLabel;
    else hit.flags = kTvhtOnItemRight;
    return hit;
}

bool TreeGetItemRect(VKHWND tree, VKTreeItem *item, bool textOnly, Rect &out) {
    Tree t = Of(tree);
    if (!t || !Valid(t, item) || !IsShown(t, item)) return false;
    ClampTop(t);
    const int row = ShownIndex(t, item) - ShownIndex(t, t.s->top);
    const Layout l = LayoutOf(t, item, Depth(t, item));
    if (textOnly) out = {l.label, row * kTreeRowHeight, l.right - l.label, kTreeRowHeight};
    else out = {0, row * kTreeRowHeight, std::max(t.w->rect.w, l.right), kTreeRowHeight};
    return true;
}

bool TreeSelectItem(VKHWND tree, VKTreeItem *item, TreeSelectCode code) {
    Tree t = Of(tree);
    if (!t) return false;
    if (item && !Valid(t, item)) return false;
    switch (code) {
    case TreeSelectCode::Caret:
        if (item) ScrollIntoView(t, item);
        SelectCaret(t, item, kTvcUnknown);
        return true;
    case TreeSelectCode::FirstVisible: {
        if (!item) return false;
        ExpandAncestors(t, item);
        const int maxTop = std::max(0, ShownCount(t) - Rows(t));
        t.s->top = ShownAt(t, std::min(ShownIndex(t, item), maxTop));
        Changed(t);
        return true;
    }
    case TreeSelectCode::DropHighlight:
        t.s->dropHighlight = item;
        Changed(t);
        return true;
    }
    return false;
}

VKTreeItem *TreeGetSelection(VKHWND tree) { return TreeGetNext(tree, nullptr, TreeNext::Caret); }

bool TreeEnsureVisible(VKHWND tree, VKTreeItem *item) {
    Tree t = Of(tree);
    if (!t || !Valid(t, item)) return false;
    ScrollIntoView(t, item);
    return true;
}

size_t TreeGetCount(VKHWND tree) {
    Tree t = Of(tree);
    return t ? t.s->live.size() : 0;
}

int TreeVisibleRows(VKHWND tree) {
    Tree t = Of(tree);
    return t ? Rows(t) : 0;
}

int TreeScrollPos(VKHWND tree) {
    Tree t = Of(tree);
    if (!t) return 0;
    ClampTop(t);
    return t.s->top ? ShownIndex(t, t.s->top) : 0;
}

bool TreeSetImageList(VKHWND tree, TreeImageKind kind, const ImageList &list) {
    Tree t = Of(tree);
    if (!t) return false;
    if (kind == TreeImageKind::Normal) {
        t.s->normal = list;
        t.s->hasNormal = !list.frames.empty();
    } else {
        t.s->state = list;
        t.s->hasState = !list.frames.empty();
    }
    Changed(t);
    return true;
}

const ImageList *TreeGetImageList(VKHWND tree, TreeImageKind kind) {
    Tree t = Of(tree);
    if (!t) return nullptr;
    if (kind == TreeImageKind::Normal) return t.s->hasNormal ? &t.s->normal : nullptr;
    return t.s->hasState ? &t.s->state : nullptr;
}

int TreeItemDepth(VKHWND tree, VKTreeItem *item) {
    Tree t = Of(tree);
    return t && Valid(t, item) ? Depth(t, item) : -1;
}

bool TreeKeyToggle(VKHWND tree) {
    Tree t = Of(tree);
    if (!t || !((t.w->style & kStyleCheckBoxes) || t.s->hasState)) return false;
    VKTreeItem *item = t.s->selected;
    if (!Valid(t, item)) return false;
    TreeEnsureVisible(tree, item);
    Rect row;
    if (!TreeGetItemRect(tree, item, false, row)) return false;
    const int x = (TreeItemDepth(tree, item) + 1) * kTreeIndent + kTreeStateWidth / 2;
    TreeClick(tree, x, row.y + kTreeRowHeight / 2);
    return true;
}

void TreeClick(VKHWND tree, int x, int y) {
    Tree t = Of(tree);
    if (!t) return;
    const TreeHit hit = TreeHitTest(tree, x, y);
    Notify n;
    n.code = kNmClick;
    n.item = hit.item;
    n.x = x;
    n.y = y;
    const intptr_t handled = NotifyParent(t.w, n);
    t = Of(tree);
    if (!t || handled != 0 || !Valid(t, hit.item)) return;
    VKTreeItem *item = hit.item;
    const bool showState = (t.w->style & kStyleCheckBoxes) || t.s->hasState;
    if ((hit.flags & kTvhtOnItemStateIcon) && showState) {
        const int last = StateImageCount(t) - 1;
        if (last >= 1) {
            item->state = item->state + 1 > last ? 1 : item->state + 1;
            Changed(t);
        }
    } else if (hit.flags & kTvhtOnItemButton) {
        if (TreeExpand(tree, item, TreeExpandCode::Toggle)) {
            Notify e;
            e.code = kTvnItemExpanded;
            e.item = item;
            e.param = item->param;
            e.action = static_cast<int32_t>(item->expanded ? TreeExpandCode::Expand : TreeExpandCode::Collapse);
            NotifyParent(t.w, e);
        }
    } else if (hit.flags & (kTvhtOnItemIcon | kTvhtOnItemLabel)) {
        ScrollIntoView(t, item);
        SelectCaret(t, item, kTvcByMouse);
    }
}

void TreeDoubleClick(VKHWND tree, int x, int y) {
    Tree t = Of(tree);
    if (!t) return;
    const TreeHit hit = TreeHitTest(tree, x, y);
    Notify n;
    n.code = kNmDblClick;
    n.item = hit.item;
    n.x = x;
    n.y = y;
    const intptr_t handled = NotifyParent(t.w, n);
    t = Of(tree);
    if (!t || handled != 0 || !Valid(t, hit.item) || !(hit.flags & (kTvhtOnItemIcon | kTvhtOnItemLabel))) return;
    if (TreeExpand(tree, hit.item, TreeExpandCode::Toggle)) {
        Notify e;
        e.code = kTvnItemExpanded;
        e.item = hit.item;
        e.param = hit.item->param;
        e.action = static_cast<int32_t>(hit.item->expanded ? TreeExpandCode::Expand : TreeExpandCode::Collapse);
        NotifyParent(t.w, e);
    }
}

} // namespace vk::ui

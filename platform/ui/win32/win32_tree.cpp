// The tree-view control: a system tree view that mirrors the model's items
// (text, images, state image, expansion, caret, first row) and hands mouse
// and keys to the model's own click handling. A click is hit-tested by the
// control, then given to the model at the matching point of the model's own
// row geometry, so the page's hit test and its check-box rules decide, as
// they do on every backend.
#include <windowsx.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/ui/win32/win32_backend.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

struct Shown {
    HTREEITEM h = nullptr;
    std::u16string text;
    int image = -1, selectedImage = -1, state = -1;
    bool expanded = false;
};

struct Mirror {
    HWND hwnd = nullptr;
    WNDPROC original = nullptr;
    std::unordered_map<const VKTreeItem *, Shown> items;
    HIMAGELIST normal = nullptr, state = nullptr;
    std::vector<ImageFrame> normalKey, stateKey;
    bool hadNormal = false, hadState = false, stateChecks = false;
};

struct Trees {
    std::unordered_map<const VKWindow *, Mirror> mirrors;
    std::unordered_map<HWND, const VKWindow *> byHandle;
    std::unordered_set<VKWindow *> dirty;
};

Trees &T() {
    static Trees trees;
    return trees;
}

bool SameFrames(const std::vector<ImageFrame> &a, const std::vector<ImageFrame> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].module != b[i].module || a[i].imageId != b[i].imageId || a[i].frame != b[i].frame) return false;
    return true;
}

bool ShowsState(const VKWindow *w) { return (w->style & kStyleCheckBoxes) || w->tree->hasState; }

HTREEITEM Next(HWND h, HTREEITEM item, WPARAM code) {
    return reinterpret_cast<HTREEITEM>(::SendMessageW(h, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

LPARAM ParamOf(HWND h, HTREEITEM item) {
    TVITEMW it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = item;
    if (!::SendMessageW(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return 0;
    return it.lParam;
}

// Forgets the mirror entries of a control item and its descendants.
void ForgetSubtree(Mirror &m, HTREEITEM item) {
    std::vector<HTREEITEM> stack{item};
    while (!stack.empty()) {
        HTREEITEM x = stack.back();
        stack.pop_back();
        const auto *key = reinterpret_cast<const VKTreeItem *>(ParamOf(m.hwnd, x));
        const auto it = m.items.find(key);
        if (it != m.items.end() && it->second.h == x) m.items.erase(it);
        for (HTREEITEM c = Next(m.hwnd, x, TVGN_CHILD); c; c = Next(m.hwnd, c, TVGN_NEXT)) stack.push_back(c);
    }
}

void DeleteShown(Mirror &m, HTREEITEM item) {
    ForgetSubtree(m, item);
    ::SendMessageW(m.hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

void FillItem(TVITEMW &it, const VKTreeItem *c, int state) {
    it.mask |= TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
    it.pszText = const_cast<wchar_t *>(W(c->text));
    it.iImage = c->image;
    it.iSelectedImage = c->selectedImage;
    it.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state));
    it.stateMask = TVIS_STATEIMAGEMASK;
    it.lParam = reinterpret_cast<LPARAM>(c);
}

HTREEITEM InsertShown(Mirror &m, HTREEITEM parent, HTREEITEM after, const VKTreeItem *c, int state) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after ? after : TVI_FIRST;
    FillItem(ins.item, c, state);
    auto h = reinterpret_cast<HTREEITEM>(::SendMessageW(m.hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    if (h) m.items[c] = Shown{h, c->text, c->image, c->selectedImage, state, false};
    return h;
}

void UpdateShown(Mirror &m, Shown &s, const VKTreeItem *c, int state) {
    if (s.text == c->text && s.image == c->image && s.selectedImage == c->selectedImage && s.state == state) return;
    TVITEMW it{};
    it.mask = TVIF_HANDLE;
    it.hItem = s.h;
    FillItem(it, c, state);
    ::SendMessageW(m.hwnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    s.text = c->text;
    s.image = c->image;
    s.selectedImage = c->selectedImage;
    s.state = state;
}

// Makes the control's children of `parent` exactly the model's children of
// `from`, in order, and recurses; iterative so deep trees cannot exhaust the
// stack.
void SyncItems(Mirror &m, const VKWindow *w) {
    const bool showState = ShowsState(w);
    struct Level {
        const VKTreeItem *from;
        HTREEITEM parent;
    };
    std::vector<Level> todo{{&w->tree->root, TVI_ROOT}};
    std::vector<std::pair<const VKTreeItem *, HTREEITEM>> expandOrder;
    while (!todo.empty()) {
        const Level level = todo.back();
        todo.pop_back();
        HTREEITEM prev = nullptr;
        for (const VKTreeItem *c = level.from->firstChild; c; c = c->next) {
            const HTREEITEM expected = prev ? Next(m.hwnd, prev, TVGN_NEXT)
                                            : Next(m.hwnd, level.parent == TVI_ROOT ? nullptr : level.parent,
                                                   level.parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD);
            const int state = showState ? c->state : 0;
            HTREEITEM h = nullptr;
            const auto it = m.items.find(c);
            if (it != m.items.end() && it->second.h == expected && expected) {
                h = expected;
                UpdateShown(m, it->second, c, state);
            } else {
                // New, or moved (a sort): the old control item goes with its
                // descendants, which the recursion inserts again.
                if (it != m.items.end()) DeleteShown(m, it->second.h);
                h = InsertShown(m, level.parent, prev, c, state);
                if (!h) continue;
            }
            prev = h;
            if (c->firstChild) todo.push_back({c, h});
            expandOrder.emplace_back(c, h);
        }
        // What the model no longer has at this level.
        HTREEITEM extra = prev ? Next(m.hwnd, prev, TVGN_NEXT)
                               : Next(m.hwnd, level.parent == TVI_ROOT ? nullptr : level.parent,
                                      level.parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD);
        while (extra) {
            HTREEITEM after = Next(m.hwnd, extra, TVGN_NEXT);
            DeleteShown(m, extra);
            extra = after;
        }
    }
    // Expansion once the children are there, parents before children.
    for (const auto &[c, h] : expandOrder) {
        auto it = m.items.find(c);
        if (it == m.items.end()) continue;
        const bool want = c->expanded && c->firstChild;
        if (want != it->second.expanded) {
            ::SendMessageW(m.hwnd, TVM_EXPAND, want ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(h));
            it->second.expanded = want;
        }
    }
}

void SyncImages(Mirror &m, const VKWindow *w) {
    const TreeState &s = *w->tree;
    if (s.hasNormal != m.hadNormal || (s.hasNormal && !SameFrames(s.normal.frames, m.normalKey))) {
        HIMAGELIST made = s.hasNormal ? MakeImageList(&s.normal, false) : nullptr;
        ::SendMessageW(m.hwnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(made));
        if (m.normal) ::ImageList_Destroy(m.normal);
        m.normal = made;
        m.normalKey = s.normal.frames;
        m.hadNormal = s.hasNormal;
    }
    const bool checks = !s.hasState && (w->style & kStyleCheckBoxes);
    if (s.hasState != m.hadState || checks != m.stateChecks || (s.hasState && !SameFrames(s.state.frames, m.stateKey))) {
        HIMAGELIST made = s.hasState ? MakeImageList(&s.state, false) : checks ? MakeImageList(nullptr, true) : nullptr;
        ::SendMessageW(m.hwnd, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(made));
        if (m.state) ::ImageList_Destroy(m.state);
        m.state = made;
        m.stateKey = s.state.frames;
        m.hadState = s.hasState;
        m.stateChecks = checks;
    }
}

HTREEITEM HandleOfItem(Mirror &m, const VKTreeItem *item) {
    if (!item) return nullptr;
    const auto it = m.items.find(item);
    return it == m.items.end() ? nullptr : it->second.h;
}

void SyncTree(VKWindow *w) {
    auto &trees = T();
    const auto found = trees.mirrors.find(w);
    if (found == trees.mirrors.end() || !w->tree) return;
    Mirror &m = found->second;
    SyncScope sync;
    ::SendMessageW(m.hwnd, WM_SETREDRAW, FALSE, 0);
    SyncImages(m, w);
    SyncItems(m, w);
    const TreeState &s = *w->tree;
    const HTREEITEM caret = HandleOfItem(m, s.selected);
    if (Next(m.hwnd, nullptr, TVGN_CARET) != caret)
        ::SendMessageW(m.hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(caret));
    const HTREEITEM drop = HandleOfItem(m, s.dropHighlight);
    if (Next(m.hwnd, nullptr, TVGN_DROPHILITE) != drop)
        ::SendMessageW(m.hwnd, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(drop));
    const HTREEITEM first = HandleOfItem(m, TreeGetNext(w, nullptr, TreeNext::FirstVisible));
    if (first && Next(m.hwnd, nullptr, TVGN_FIRSTVISIBLE) != first)
        ::SendMessageW(m.hwnd, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(first));
    ::SendMessageW(m.hwnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m.hwnd, nullptr, TRUE);
}

void FlushOne(VKWindow *w) {
    auto &trees = T();
    if (trees.dirty.erase(w) && Live(w)) SyncTree(w);
}

// The model's first row follows the control's (the user scrolled it).
void FollowScroll(VKWindow *w, HWND h) {
    const HTREEITEM first = Next(h, nullptr, TVGN_FIRSTVISIBLE);
    if (!first) return;
    auto *item = reinterpret_cast<VKTreeItem *>(ParamOf(h, first));
    if (!TreeIsItem(w, item) || TreeGetNext(w, nullptr, TreeNext::FirstVisible) == item) return;
    InputScope input;
    TreeSelectItem(w, item, TreeSelectCode::FirstVisible);
}

// The point of the model's geometry that lies on the same part of the same
// item as control point `pt`; false when the point is on no item.
bool ModelPoint(VKWindow *w, HWND h, POINT pt, int &mx, int &my) {
    mx = pt.x;
    my = pt.y;
    TVHITTESTINFO hit{};
    hit.pt = pt;
    ::SendMessageW(h, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem) return false;
    auto *item = reinterpret_cast<VKTreeItem *>(ParamOf(h, hit.hItem));
    if (!TreeIsItem(w, item)) return false;
    FollowScroll(w, h);
    Rect label;
    if (!TreeGetItemRect(w, item, true, label) || label.y < 0 || label.y + kTreeRowHeight > w->rect.h) {
        TreeEnsureVisible(w, item);
        if (!TreeGetItemRect(w, item, true, label)) return false;
    }
    const int icon = label.x - (w->tree->hasNormal ? kTreeImageWidth : 0);
    const int state = icon - (ShowsState(w) ? kTreeStateWidth : 0);
    const int button = state - kTreeIndent;
    my = label.y + kTreeRowHeight / 2;
    if (hit.flags & TVHT_ONITEMSTATEICON) mx = state + kTreeStateWidth / 2 - 1;
    else if (hit.flags & TVHT_ONITEMBUTTON) mx = button + kTreeIndent / 2;
    else if (hit.flags & TVHT_ONITEMICON) mx = icon + kTreeImageWidth / 2 - 1;
    else if (hit.flags & TVHT_ONITEMLABEL) mx = label.x + std::max(1, label.w / 2);
    else if ((hit.flags & TVHT_ONITEMINDENT) && button > 0) mx = button - 1;
    else mx = std::min(label.x + label.w + 2, std::max(w->rect.w - 1, 0));
    return true;
}

void NotifyExpanded(VKWindow *w, VKTreeItem *item) {
    Notify n;
    n.code = kTvnItemExpanded;
    n.item = item;
    n.param = item->param;
    n.action = static_cast<int32_t>(item->expanded ? TreeExpandCode::Expand : TreeExpandCode::Collapse);
    NotifyParent(w, n);
}

// Keys that move the caret or expand go to the model, as on every backend.
bool Key(VKWindow *w, WPARAM key) {
    VKTreeItem *sel = TreeGetSelection(w);
    VKTreeItem *target = nullptr;
    switch (key) {
    case VK_DOWN:
        target = sel ? TreeGetNext(w, sel, TreeNext::NextVisible) : TreeGetNext(w, nullptr, TreeNext::Root);
        break;
    case VK_UP:
        target = sel ? TreeGetNext(w, sel, TreeNext::PreviousVisible) : TreeGetNext(w, nullptr, TreeNext::Root);
        break;
    case VK_HOME:
        target = TreeGetNext(w, nullptr, TreeNext::Root);
        break;
    case VK_END:
        target = TreeGetNext(w, nullptr, TreeNext::LastVisible);
        break;
    case VK_NEXT:
    case VK_PRIOR: {
        const TreeNext dir = key == VK_NEXT ? TreeNext::NextVisible : TreeNext::PreviousVisible;
        target = sel;
        for (int k = TreeVisibleRows(w) - 1; target && k > 0; --k)
            if (VKTreeItem *n = TreeGetNext(w, target, dir)) target = n;
        break;
    }
    case VK_LEFT:
        if (sel && sel->firstChild && sel->expanded) {
            if (TreeExpand(w, sel, TreeExpandCode::Collapse)) NotifyExpanded(w, sel);
        } else if (sel) {
            target = TreeGetNext(w, sel, TreeNext::Parent);
        }
        break;
    case VK_RIGHT:
        if (sel && sel->firstChild && !sel->expanded) {
            if (TreeExpand(w, sel, TreeExpandCode::Expand)) NotifyExpanded(w, sel);
        } else if (sel) {
            target = sel->firstChild;
        }
        break;
    case VK_ADD:
    case VK_SUBTRACT:
    case VK_MULTIPLY:
    case VK_BACK:
        return true; // the control would expand on its own: the model decides
    default:
        return false;
    }
    if (target && target != sel && Live(w)) TreeSelectItem(w, target, TreeSelectCode::Caret);
    return true;
}

LRESULT CALLBACK TreeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto &trees = T();
    const auto owner = trees.byHandle.find(h);
    if (owner == trees.byHandle.end()) return ::DefWindowProcW(h, msg, wp, lp);
    const WNDPROC original = trees.mirrors.at(owner->second).original;
    VKWindow *w = WindowFor(h);
    if (!w || Syncing()) return ::CallWindowProcW(original, h, msg, wp, lp);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
        ::SetFocus(h);
        FlushOne(w);
        if (!Live(w) || WindowFor(h) != w) return 0;
        const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        int mx = 0, my = 0;
        InputScope input;
        const bool onItem = ModelPoint(w, h, pt, mx, my);
        if (!onItem) my = std::max(w->rect.h, 0) + kTreeRowHeight; // below the rows: on no item
        if (msg == WM_LBUTTONDOWN) {
            TreeClick(w, mx, my);
        } else if (msg == WM_LBUTTONDBLCLK) {
            // The second click of a quick pair on a check box or a button
            // counts as a click of its own, so fast clicking toggles as often
            // as clicked.
            if (TreeHitTest(w, mx, my).flags & (kTvhtOnItemStateIcon | kTvhtOnItemButton)) TreeClick(w, mx, my);
            else TreeDoubleClick(w, mx, my);
        } else {
            Notify n;
            n.code = kNmRightClick;
            n.item = TreeHitTest(w, mx, my).item;
            n.x = mx;
            n.y = my;
            NotifyParent(w, n);
        }
        if (Live(w) && WindowFor(h) == w) FlushOne(w);
        return 0;
    }
    case WM_KEYDOWN: {
        FlushOne(w);
        InputScope input;
        if (!Key(w, wp)) return ::CallWindowProcW(original, h, msg, wp, lp);
        if (Live(w) && WindowFor(h) == w) FlushOne(w);
        return 0;
    }
    case WM_CHAR:
        return 0; // incremental search would move the caret behind the model's back
    case WM_VSCROLL:
    case WM_MOUSEWHEEL: {
        const LRESULT r = ::CallWindowProcW(original, h, msg, wp, lp);
        if (Live(w) && WindowFor(h) == w) FollowScroll(w, h);
        return r;
    }
    default:
        return ::CallWindowProcW(original, h, msg, wp, lp);
    }
}

} // namespace

HWND CreateTree(VKWindow *w, HWND parent, DWORD style, DWORD exStyle) {
    style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    HWND h = ::CreateWindowExW(exStyle, WC_TREEVIEWW, L"", style, 0, 0, 1, 1, parent,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(w->id & 0xFFFF)),
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!h) return nullptr;
    // The model's row geometry, so both hit tests agree on what a row is.
    ::SendMessageW(h, TVM_SETITEMHEIGHT, kTreeRowHeight, 0);
    ::SendMessageW(h, TVM_SETINDENT, kTreeIndent, 0);
    auto &trees = T();
    Mirror &m = trees.mirrors[w];
    m.hwnd = h;
    trees.byHandle[h] = w;
    m.original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeProc)));
    trees.dirty.insert(w);
    return h;
}

void TreeChanged(VKWindow *w) {
    // Many changes come in a row (a fill inserts thousands of items): the
    // control follows once they are done, when the renderer next waits.
    T().dirty.insert(w);
}

void TreeForget(VKWindow *w) {
    auto &trees = T();
    trees.dirty.erase(w);
    const auto it = trees.mirrors.find(w);
    if (it == trees.mirrors.end()) return;
    Mirror &m = it->second;
    if (::IsWindow(m.hwnd)) {
        SyncScope sync;
        ::SetWindowLongPtrW(m.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m.original));
        ::SendMessageW(m.hwnd, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
        ::SendMessageW(m.hwnd, TVM_SETIMAGELIST, TVSIL_STATE, 0);
    }
    if (m.normal) ::ImageList_Destroy(m.normal);
    if (m.state) ::ImageList_Destroy(m.state);
    trees.byHandle.erase(m.hwnd);
    trees.mirrors.erase(it);
}

void FlushTreeChanges() {
    auto &trees = T();
    while (!trees.dirty.empty()) {
        VKWindow *w = *trees.dirty.begin();
        trees.dirty.erase(trees.dirty.begin());
        if (Live(w)) SyncTree(w);
    }
}

void FlushTrees() { FlushTreeChanges(); }

} // namespace vk::ui::win32

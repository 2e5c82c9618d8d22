// The window registry and the plain attributes of windows and controls.
#include "platform/ui/window.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "platform/text/text.h"
#include "platform/ui/internal.h"

namespace vk::ui {

namespace {

struct Registry {
    std::unordered_map<VKWindow *, std::unique_ptr<VKWindow>> windows;
    std::vector<VKWindow *> topLevel; // creation order
    VKWindow *focus = nullptr;
    Rect workArea{0, 0, 1920, 1040};
};

Registry &Reg() {
    static Registry registry;
    return registry;
}

bool IsControlKind(Kind k) { return k != Kind::Window && k != Kind::Dialog; }

void Changed(VKWindow *w) { CurrentBackend().WindowChanged(w); }

VKWindow *Item(VKHWND dialog, int32_t id) { return Live(GetDlgItem(dialog, id)); }

} // namespace

VKWindow *Live(VKHWND w) {
    if (!w) return nullptr;
    auto &windows = Reg().windows;
    return windows.count(w) ? w : nullptr;
}

bool IsChildWindow(const VKWindow *w) { return w->parent != nullptr; }

VKWindow *TopLevelOf(VKWindow *w) {
    while (w && w->parent) w = w->parent;
    return w;
}

std::vector<VKHWND> TopLevelWindows() { return Reg().topLevel; }

VKHWND CreateWindowOf(Kind kind, VKHWND parent, int32_t id, std::u16string_view text, Rect pixels, uint32_t style,
                      Proc proc) {
    if (parent && !Live(parent)) return nullptr;
    const bool child = IsControlKind(kind) || (style & kStyleChild);
    if (child && !parent) return nullptr;
    auto owned = std::make_unique<VKWindow>();
    VKWindow *w = owned.get();
    w->kind = kind;
    w->id = id;
    w->text = std::u16string(text);
    w->style = style;
    w->rect = pixels;
    w->visible = (style & kStyleVisible) != 0;
    w->enabled = (style & kStyleDisabled) == 0;
    w->proc = proc;
    if (kind == Kind::TreeView) w->tree = std::make_unique<TreeState>();
    auto &reg = Reg();
    if (child) {
        w->parent = parent;
        parent->children.push_back(w);
    } else {
        w->owner = TopLevelOf(parent);
        reg.topLevel.push_back(w);
    }
    reg.windows.emplace(w, std::move(owned));
    CurrentBackend().WindowCreated(w);
    return w;
}

void DestroyWindow(VKHWND handle) {
    VKWindow *w = Live(handle);
    if (!w || w->destroying) return;
    w->destroying = true;
    auto &reg = Reg();
    // Owned windows go first, then the children (last created first), so a
    // window's procedure still sees a whole window while its parts go away.
    for (VKWindow *t : std::vector<VKWindow *>(reg.topLevel))
        if (Live(t) && t->owner == w) DestroyWindow(t);
    while (!w->children.empty()) {
        VKWindow *c = w->children.back();
        DestroyWindow(c);
        // A child that refused to go (re-entrant destroy) must not loop forever.
        if (!w->children.empty() && w->children.back() == c) w->children.pop_back();
    }
    if (w->tree) TreeDestroyItems(w);
    SendMessage(w, kMsgDestroy, 0, 0);
    ForgetWindowMessages(w);
    DialogDestroyed(w);
    if (reg.focus == w) reg.focus = nullptr;
    for (VKWindow *t : reg.topLevel)
        if (t->owner == w) t->owner = nullptr;
    if (w->parent) {
        auto &siblings = w->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    } else {
        reg.topLevel.erase(std::remove(reg.topLevel.begin(), reg.topLevel.end(), w), reg.topLevel.end());
    }
    CurrentBackend().WindowDestroyed(w);
    reg.windows.erase(w);
}

bool IsWindow(VKHWND w) { return Live(w) != nullptr; }

VKHWND GetDlgItem(VKHWND dialog, int32_t id) {
    VKWindow *d = Live(dialog);
    if (!d) return nullptr;
    for (VKWindow *c : d->children)
        if (c->id == id) return c;
    return nullptr;
}

int32_t GetDlgCtrlID(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? x->id : 0;
}

VKHWND GetParent(VKHWND w) {
    VKWindow *x = Live(w);
    if (!x) return nullptr;
    return x->parent ? x->parent : x->owner;
}

VKHWND GetOwner(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? x->owner : nullptr;
}

Kind GetKind(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? x->kind : Kind::Window;
}

std::vector<VKHWND> Children(VKHWND w) {
    if (!w) return Reg().topLevel;
    VKWindow *x = Live(w);
    return x ? x->children : std::vector<VKHWND>();
}

void SetWindowText(VKHWND w, std::u16string_view text) {
    VKWindow *x = Live(w);
    if (!x) return;
    x->text = std::u16string(text);
    Changed(x);
}

std::u16string GetWindowText(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? x->text : std::u16string();
}

void SetDlgItemText(VKHWND dialog, int32_t id, std::u16string_view text) { SetWindowText(GetDlgItem(dialog, id), text); }

std::u16string GetDlgItemText(VKHWND dialog, int32_t id) { return GetWindowText(GetDlgItem(dialog, id)); }

void ShowWindow(VKHWND w, bool show) {
    VKWindow *x = Live(w);
    if (!x || x->visible == show) return;
    x->visible = show;
    if (show) x->style |= kStyleVisible;
    else x->style &= ~kStyleVisible;
    SendMessage(x, kMsgShowWindow, show ? 1 : 0, 0);
    if (!Live(x)) return;
    auto &reg = Reg();
    if (!show && reg.focus && (reg.focus == x || TopLevelOf(reg.focus) == x)) reg.focus = nullptr;
    Changed(x);
}

bool IsVisible(VKHWND w) {
    // Visible when the window and every window that holds it are shown.
    for (VKWindow *x = Live(w); x; x = x->parent)
        if (!x->visible) return false;
    return Live(w) != nullptr;
}

void EnableWindow(VKHWND w, bool enable) {
    VKWindow *x = Live(w);
    if (!x || x->enabled == enable) return;
    x->enabled = enable;
    if (enable) x->style &= ~kStyleDisabled;
    else x->style |= kStyleDisabled;
    if (!enable && Reg().focus == x) Reg().focus = nullptr;
    Changed(x);
}

bool IsEnabled(VKHWND w) {
    VKWindow *x = Live(w);
    return x && x->enabled;
}

void SetFocus(VKHWND w) {
    VKWindow *x = Live(w);
    if (w && !x) return;
    Reg().focus = x;
    if (x) Changed(x);
}

VKHWND GetFocus() { return Reg().focus; }

Rect GetWindowRect(VKHWND w) {
    VKWindow *x = Live(w);
    if (!x) return {};
    Rect r = x->rect;
    for (VKWindow *p = x->parent; p; p = p->parent) {
        r.x += p->rect.x;
        r.y += p->rect.y;
    }
    return r;
}

Rect GetClientRect(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? Rect{0, 0, x->rect.w, x->rect.h} : Rect{};
}

void MoveWindow(VKHWND w, Rect screenPixels, bool /*repaint*/) {
    VKWindow *x = Live(w);
    if (!x) return;
    Rect r = screenPixels;
    if (x->parent) {
        const Rect origin = GetWindowRect(x->parent);
        r.x -= origin.x;
        r.y -= origin.y;
    }
    const bool resized = r.w != x->rect.w || r.h != x->rect.h;
    x->rect = r;
    Changed(x);
    if (resized) {
        const auto packed = static_cast<intptr_t>((static_cast<uint32_t>(r.h) << 16) | (static_cast<uint32_t>(r.w) & 0xFFFF));
        SendMessage(x, kMsgSize, 0, packed);
    }
}

Rect WorkArea() { return Reg().workArea; }

void SetWorkArea(Rect area) { Reg().workArea = area; }

int SystemMetric(Metric m) {
    switch (m) {
    case Metric::CaptionHeight: return 23;
    case Metric::BorderWidth: return 1;
    case Metric::BorderHeight: return 1;
    case Metric::ScreenWidth: return Reg().workArea.x + Reg().workArea.w;
    case Metric::ScreenHeight: return Reg().workArea.y + Reg().workArea.h + 40;
    }
    return 0;
}

void CheckDlgButton(VKHWND dialog, int32_t id, int state) {
    VKWindow *c = Item(dialog, id);
    if (!c) return;
    c->check = std::clamp(state, 0, 2);
    Changed(c);
}

int IsDlgButtonChecked(VKHWND dialog, int32_t id) {
    VKWindow *c = Item(dialog, id);
    return c ? c->check : 0;
}

void ProgressSetRange(VKHWND bar, int lo, int hi) {
    VKWindow *b = Live(bar);
    if (!b) return;
    b->progressLo = lo;
    b->progressHi = hi;
    b->progressPos = std::clamp(b->progressPos, std::min(lo, hi), std::max(lo, hi));
    Changed(b);
}

void ProgressGetRange(VKHWND bar, int &lo, int &hi) {
    VKWindow *b = Live(bar);
    lo = b ? b->progressLo : 0;
    hi = b ? b->progressHi : 0;
}

void ProgressSetPos(VKHWND bar, int pos) {
    VKWindow *b = Live(bar);
    if (!b) return;
    b->progressPos = std::clamp(pos, std::min(b->progressLo, b->progressHi), std::max(b->progressLo, b->progressHi));
    Changed(b);
}

int ProgressGetPos(VKHWND bar) {
    VKWindow *b = Live(bar);
    return b ? b->progressPos : 0;
}

int TabInsertItem(VKHWND tab, int index, std::u16string_view text) {
    VKWindow *t = Live(tab);
    if (!t || index < 0) return -1;
    const int at = std::min(index, static_cast<int>(t->tabs.size()));
    t->tabs.insert(t->tabs.begin() + at, std::u16string(text));
    if (t->tabSel < 0) t->tabSel = 0;
    else if (at <= t->tabSel) ++t->tabSel;
    Changed(t);
    return at;
}

int TabGetItemCount(VKHWND tab) {
    VKWindow *t = Live(tab);
    return t ? static_cast<int>(t->tabs.size()) : 0;
}

int TabGetCurSel(VKHWND tab) {
    VKWindow *t = Live(tab);
    return t ? t->tabSel : -1;
}

void TabSetCurSel(VKHWND tab, int index) {
    VKWindow *t = Live(tab);
    if (!t || index < 0 || index >= static_cast<int>(t->tabs.size())) return;
    t->tabSel = index;
    Changed(t);
}

std::u16string TabGetItemText(VKHWND tab, int index) {
    VKWindow *t = Live(tab);
    if (!t || index < 0 || index >= static_cast<int>(t->tabs.size())) return {};
    return t->tabs[static_cast<size_t>(index)];
}

void TabSetItemSize(VKHWND tab, int width, int height) {
    VKWindow *t = Live(tab);
    if (!t) return;
    t->tabItemW = width;
    t->tabItemH = height;
    Changed(t);
}

Rect TabGetItemSize(VKHWND tab) {
    VKWindow *t = Live(tab);
    return t ? Rect{0, 0, t->tabItemW, t->tabItemH} : Rect{};
}

void TabSetCurFocus(VKHWND tab, int index) {
    VKWindow *t = Live(tab);
    if (!t || index < 0 || index >= static_cast<int>(t->tabs.size())) return;
    SetFocus(t);
    if (t->tabSel != index) TabClick(t, index);
}

void TabClick(VKHWND tab, int index) {
    VKWindow *t = Live(tab);
    if (!t || index < 0 || index >= static_cast<int>(t->tabs.size())) return;
    t->tabSel = index;
    Changed(t);
    Notify n;
    n.code = kTcnSelChange;
    NotifyParent(t, n);
}

void SetUserData(VKHWND w, intptr_t data) {
    if (VKWindow *x = Live(w)) x->userData = data;
}

intptr_t GetUserData(VKHWND w) {
    VKWindow *x = Live(w);
    return x ? x->userData : 0;
}

intptr_t NotifyParent(VKHWND control, Notify n) {
    VKWindow *c = Live(control);
    if (!c || !c->parent) return 0;
    n.from = c;
    n.id = c->id;
    return SendMessage(c->parent, kMsgNotify, static_cast<uintptr_t>(c->id), reinterpret_cast<intptr_t>(&n));
}

void LogLine(const std::string &line) {
    std::fprintf(stderr, "[vaultkeep] %s\n", line.c_str());
    std::fflush(stderr);
}

std::string OneLine(std::u16string_view text) {
    std::u16string flat;
    flat.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            flat += u" / ";
        } else if (c == u'\t') {
            flat += u' ';
        } else {
            flat += c;
        }
    }
    return text::ToUtf8(flat);
}

void ResetWindows() {
    auto &reg = Reg();
    while (!reg.topLevel.empty()) {
        VKWindow *w = reg.topLevel.back();
        DestroyWindow(w);
        if (!reg.topLevel.empty() && reg.topLevel.back() == w) reg.topLevel.pop_back();
    }
    reg.windows.clear();
    reg.focus = nullptr;
    reg.workArea = Registry{}.workArea;
}

} // namespace vk::ui

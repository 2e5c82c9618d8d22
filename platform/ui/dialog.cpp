// Dialogs built from a module's templates, modal and modeless, and the
// clicks and key strokes that drive them.
#include <algorithm>
#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/internal.h"
#include "platform/ui/window.h"

namespace vk::ui {

namespace {

// One running DialogBox. The frame outlives the dialog window, so the result
// survives a dialog that a procedure destroyed on its own.
struct ModalFrame {
    VKWindow *dialog = nullptr;
    intptr_t result = -1;
    bool ended = false;
    bool destroyed = false;
};

std::vector<ModalFrame *> &Frames() {
    static std::vector<ModalFrame *> frames;
    return frames;
}

ModalFrame *FrameOf(VKWindow *w) {
    for (ModalFrame *f : Frames())
        if (f->dialog == w) return f;
    return nullptr;
}

// a * b / c rounded half away from zero, as dialog-unit conversion does.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
    return static_cast<int>(q);
}

Rect DluToPixels(Rect r) {
    return {MulDiv(r.x, kDluX, 4), MulDiv(r.y, kDluY, 8), MulDiv(r.w, kDluX, 4), MulDiv(r.h, kDluY, 8)};
}

bool TakesFocus(const VKWindow *c) {
    switch (c->kind) {
    case Kind::Edit:
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Radio:
    case Kind::Tab:
    case Kind::TreeView:
    case Kind::ListBox:
        return c->visible && c->enabled;
    default:
        return false;
    }
}

VKWindow *FirstFocusable(VKWindow *d) {
    for (VKWindow *c : d->children)
        if (TakesFocus(c)) return c;
    return nullptr;
}

Rect CenteredOver(Rect r, VKWindow *owner) {
    const Rect area = WorkArea();
    const Rect over = owner ? GetWindowRect(owner) : area;
    Rect out = r;
    out.x = over.x + (over.w - r.w) / 2;
    out.y = over.y + (over.h - r.h) / 2;
    // Stay on the screen.
    out.x = std::max(area.x, std::min(out.x, area.x + area.w - r.w));
    out.y = std::max(area.y, std::min(out.y, area.y + area.h - r.h));
    return out;
}

VKWindow *BuildDialog(const VKModule *module, const DialogTemplate &t, VKWindow *parent, Proc proc, bool modal) {
    const bool child = (t.style & kStyleChild) && parent && !modal;
    Rect r = DluToPixels(t.rect);
    VKWindow *owner = child ? nullptr : TopLevelOf(parent);
    if (!child) {
        const Rect origin = owner ? GetWindowRect(owner) : WorkArea();
        r.x += origin.x;
        r.y += origin.y;
        if (t.style & kStyleCentered) r = CenteredOver(r, owner);
    }
    // Created hidden; shown after its initialisation, as dialogs are.
    uint32_t style = t.style & ~kStyleVisible;
    if (modal) style &= ~kStyleChild;
    VKWindow *d = CreateWindowOf(Kind::Dialog, child ? parent : owner, 0, t.title, r, style, nullptr);
    if (!d) return nullptr;
    d->module = module;
    d->templateId = t.id;
    d->modal = modal;
    for (const ControlTemplate &c : t.controls)
        CreateWindowOf(c.kind, d, c.id, c.text, DluToPixels(c.rect), c.style, nullptr);
    d->proc = proc;
    return d;
}

bool Overlaps(const Rect &a, const Rect &b) { return a.y < b.y + b.h && b.y < a.y + a.h; }

// Push buttons whose text (set by the init message) does not fit are widened
// to it; the controls to their right on the same row move along, and the
// dialog grows when they reach its edge, keeping its right margin and its
// centre. Only a backend that measures text changes anything.
void FitButtonsToText(VKWindow *d) {
    Backend &backend = CurrentBackend();
    std::vector<VKWindow *> buttons;
    int right = 0;
    for (VKWindow *c : d->children) {
        right = std::max(right, c->rect.x + c->rect.w);
        if (c->kind == Kind::Button && c->visible && !c->text.empty()) buttons.push_back(c);
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const VKWindow *a, const VKWindow *b) { return a->rect.x < b->rect.x; });
    const int margin = std::max(0, d->rect.w - right);
    bool moved = false;
    for (VKWindow *b : buttons) {
        const int need = backend.ButtonTextWidth(b->text);
        if (need <= b->rect.w) continue;
        const int grow = need - b->rect.w;
        const int oldRight = b->rect.x + b->rect.w;
        for (VKWindow *c : d->children) {
            if (c == b || c->rect.x < oldRight || !Overlaps(c->rect, b->rect)) continue;
            c->rect.x += grow;
            backend.WindowChanged(c);
        }
        b->rect.w = need;
        backend.WindowChanged(b);
        moved = true;
    }
    if (!moved) return;
    int newRight = 0;
    for (VKWindow *c : d->children) newRight = std::max(newRight, c->rect.x + c->rect.w);
    if (newRight + margin <= d->rect.w) return;
    Rect r = GetWindowRect(d);
    const int grow = newRight + margin - d->rect.w;
    if (!d->parent) r.x -= grow / 2;
    r.w += grow;
    MoveWindow(d, r, true);
}

// Sends the init message; false when the dialog did not survive it.
bool InitDialog(VKWindow *d, intptr_t param) {
    VKWindow *first = FirstFocusable(d);
    const intptr_t r = SendMessage(d, kMsgInitDialog, reinterpret_cast<uintptr_t>(first), param);
    if (!Live(d)) return false;
    FitButtonsToText(d);
    if (r != 0 && (first = FirstFocusable(d)) != nullptr) SetFocus(first);
    return true;
}

} // namespace

const DialogTemplate *FindTemplate(VKHMODULE module, int32_t templateId) {
    if (!module) return nullptr;
    const auto it = module->dialogs.find(templateId);
    return it == module->dialogs.end() ? nullptr : &it->second;
}

intptr_t DialogBox(VKHMODULE module, int32_t templateId, VKHWND owner, Proc proc, intptr_t param) {
    const DialogTemplate *t = FindTemplate(module, templateId);
    if (!t) return -1;
    VKWindow *ownerTop = TopLevelOf(Live(owner));
    VKWindow *focusBefore = GetFocus();
    VKWindow *d = BuildDialog(module, *t, ownerTop, proc, true);
    if (!d) return -1;
    ModalFrame frame;
    frame.dialog = d;
    Frames().push_back(&frame);
    // The owner takes no input while the dialog runs.
    const bool disableOwner = ownerTop && ownerTop->enabled;
    if (disableOwner) EnableWindow(ownerTop, false);
    if (InitDialog(d, param) && !frame.ended) {
        ShowWindow(d, true);
        if (Live(d) && !frame.ended) CurrentBackend().RunModal(d);
    }
    if (!frame.destroyed && !frame.ended) {
        // A backend returned without an end: treat as cancelled.
        LogLine("dialog " + std::to_string(templateId) + " left without a result; taken as cancelled");
        frame.result = kIdCancel;
        frame.ended = true;
    }
    if (disableOwner && Live(ownerTop)) EnableWindow(ownerTop, true);
    Frames().erase(std::find(Frames().begin(), Frames().end(), &frame));
    if (!frame.destroyed) DestroyWindow(d);
    if (Live(focusBefore)) SetFocus(focusBefore);
    return frame.ended ? frame.result : -1;
}

VKHWND CreateDialog(VKHMODULE module, int32_t templateId, VKHWND parent, Proc proc, intptr_t param) {
    const DialogTemplate *t = FindTemplate(module, templateId);
    if (!t) return nullptr;
    VKWindow *p = Live(parent);
    if (parent && !p) return nullptr;
    VKWindow *d = BuildDialog(module, *t, p, proc, false);
    if (!d) return nullptr;
    if (!InitDialog(d, param)) return nullptr;
    if ((t->style & kStyleVisible) && !d->ended) ShowWindow(d, true);
    return Live(d);
}

void EndDialog(VKHWND dialog, intptr_t result) {
    VKWindow *d = Live(dialog);
    if (!d || d->kind != Kind::Dialog) return;
    d->ended = true;
    d->dialogResult = result;
    if (ModalFrame *f = FrameOf(d)) {
        f->ended = true;
        f->result = result;
    }
    ShowWindow(d, false);
}

bool IsDialogEnded(VKHWND dialog) {
    VKWindow *d = Live(dialog);
    return !d || d->ended;
}

int32_t GetTemplateId(VKHWND dialog) {
    VKWindow *d = Live(dialog);
    return d ? d->templateId : 0;
}

void DialogDestroyed(VKWindow *w) {
    if (ModalFrame *f = FrameOf(w)) {
        f->destroyed = true;
        f->dialog = nullptr;
    }
}

void ResetDialogs() { Frames().clear(); }

bool ClickButton(VKHWND dialog, int32_t id) {
    VKWindow *d = Live(dialog);
    if (!d) return false;
    VKWindow *c = Live(GetDlgItem(d, id));
    if (!c) {
        if (id != kIdOk && id != kIdCancel) return false;
    } else {
        if (!c->enabled || !IsVisible(c)) return false;
        if (c->kind == Kind::CheckBox) {
            const int next = (c->style & kStyleTriState) ? (c->check + 1) % 3 : (c->check == 0 ? 1 : 0);
            CheckDlgButton(d, id, next);
        } else if (c->kind == Kind::Radio) {
            // The radio buttons next to it (a run of radio buttons) form its group.
            auto &kids = d->children;
            const auto at = std::find(kids.begin(), kids.end(), c);
            auto lo = at;
            while (lo != kids.begin() && (*(lo - 1))->kind == Kind::Radio) --lo;
            for (auto it = lo; it != kids.end() && (*it)->kind == Kind::Radio; ++it)
                CheckDlgButton(d, (*it)->id, *it == c ? 1 : 0);
        }
    }
    SendMessage(d, kMsgCommand, (static_cast<uintptr_t>(kBnClicked) << 16) | static_cast<uint16_t>(id),
                reinterpret_cast<intptr_t>(c));
    return true;
}

int32_t DefaultButtonId(VKHWND dialog) {
    VKWindow *d = Live(dialog);
    if (d)
        for (VKWindow *c : d->children)
            if (c->kind == Kind::Button && (c->style & kStyleDefault)) return c->id;
    return kIdOk;
}

void SetDefaultButton(VKHWND dialog, int32_t id) {
    VKWindow *d = Live(dialog);
    if (!d) return;
    for (VKWindow *c : d->children) {
        if (c->kind != Kind::Button) continue;
        const uint32_t before = c->style;
        if (c->id == id) c->style |= kStyleDefault;
        else c->style &= ~kStyleDefault;
        if (c->style != before) CurrentBackend().WindowChanged(c);
    }
}

bool EnterText(VKHWND dialog, int32_t id, std::u16string_view text) {
    VKWindow *c = Live(GetDlgItem(dialog, id));
    if (!c || !c->enabled || (c->style & kStyleReadOnly)) return false;
    SetWindowText(c, text);
    if (c->kind == Kind::Edit)
        SendMessage(c->parent, kMsgCommand, (static_cast<uintptr_t>(kEnChange) << 16) | static_cast<uint16_t>(id),
                    reinterpret_cast<intptr_t>(c));
    return true;
}

} // namespace vk::ui

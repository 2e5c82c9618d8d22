// Message delivery: sending, the posted-message queue, timers, the quit
// message, the message loop, input filtering and the wait cursor.
#include <algorithm>
#include <chrono>
#include <deque>

#include "platform/text/text.h"
#include "platform/ui/internal.h"
#include "platform/ui/treeview.h"
#include "platform/ui/window.h"

namespace vk::ui {

namespace {

struct Posted {
    VKWindow *w;
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
};

struct Timer {
    VKWindow *w;
    uintptr_t id;
    unsigned ms;
    int64_t due;
};

struct Queue {
    std::deque<Posted> posted;
    std::vector<Timer> timers;
    bool quit = false;
    int exitCode = 0;
    int waitDepth = 0;
    MessageFilter filter = nullptr;
    Clock clock = nullptr;
    UrlLauncher launcher = nullptr;
    uint64_t loops = 0;
};

Queue &Q() {
    static Queue queue;
    return queue;
}

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool DeliverPosted() {
    auto &q = Q();
    // Only what is queued now: a handler that posts again is served next round.
    size_t n = q.posted.size();
    bool any = false;
    while (n-- > 0 && !q.posted.empty()) {
        const Posted p = q.posted.front();
        q.posted.pop_front();
        if (Live(p.w)) {
            SendMessage(p.w, p.msg, p.wparam, p.lparam);
            any = true;
        }
    }
    return any;
}

bool DeliverTimers() {
    auto &q = Q();
    const int64_t now = NowMs();
    std::vector<std::pair<VKWindow *, uintptr_t>> due;
    for (Timer &t : q.timers) {
        if (t.due <= now) {
            due.emplace_back(t.w, t.id);
            t.due = now + std::max<unsigned>(t.ms, 1);
        }
    }
    for (auto &[w, id] : due) {
        // A handler may have killed this timer or destroyed the window.
        const bool still = std::any_of(q.timers.begin(), q.timers.end(),
                                       [&](const Timer &t) { return t.w == w && t.id == id; });
        if (still && Live(w)) SendMessage(w, kMsgTimer, id, 0);
    }
    return !due.empty();
}

// Milliseconds until the next timer is due; -1 when none runs.
int NextTimerWait() {
    auto &q = Q();
    if (q.timers.empty()) return -1;
    int64_t next = q.timers.front().due;
    for (const Timer &t : q.timers) next = std::min(next, t.due);
    return static_cast<int>(std::clamp<int64_t>(next - NowMs(), 0, 1 << 30));
}

bool IsButtonKind(Kind k) { return k == Kind::Button || k == Kind::CheckBox || k == Kind::Radio; }

} // namespace

bool MnemonicMatches(std::u16string_view text, char16_t letter) {
    const auto lower = [](char16_t c) { return static_cast<char16_t>(c >= u'A' && c <= u'Z' ? c + 32 : c); };
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return lower(text[i + 1]) == lower(letter);
    }
    return false;
}

int TabFindMnemonic(VKHWND tab, char16_t letter) {
    const int n = TabGetItemCount(tab);
    for (int i = 0; i < n; ++i)
        if (MnemonicMatches(TabGetItemText(tab, i), letter)) return i;
    return -1;
}

namespace {

// Alt+letter in a dialog: the enabled, visible button whose text marks the
// letter with '&' is clicked; a tab whose text marks it is selected and the
// tab control gets the focus.
bool Mnemonic(VKWindow *dialog, char16_t letter) {
    for (VKWindow *c : dialog->children) {
        if (c->kind == Kind::Dialog && c->visible) {
            if (Mnemonic(c, letter)) return true;
            continue;
        }
        if (c->kind == Kind::Tab && c->enabled && c->visible) {
            const int index = TabFindMnemonic(c, letter);
            if (index < 0) continue;
            TabSetCurFocus(c, index);
            if (Live(c)) SetFocus(c);
            return true;
        }
        if (!IsButtonKind(c->kind) || !c->enabled || !c->visible) continue;
        if (MnemonicMatches(c->text, letter)) return ClickButton(dialog, c->id);
    }
    return false;
}

// The dialog that handles keys for a window: the top-level dialog holding it.
VKWindow *DialogOf(VKWindow *w) {
    // The outermost dialog above the control: the main dialog of a frame
    // window handles Return, Escape and mnemonics for its child pages too.
    VKWindow *dialog = nullptr;
    for (VKWindow *p = w; p; p = p->parent)
        if (p->kind == Kind::Dialog) dialog = p;
    return dialog;
}

} // namespace

int64_t NowMs() {
    auto &q = Q();
    return q.clock ? q.clock() : SteadyMs();
}

void SetClock(Clock clock) { Q().clock = clock; }

intptr_t SendMessage(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    VKWindow *x = Live(w);
    if (!x) return 0;
    if (!x->proc) return DefWindowProc(x, msg, wparam, lparam);
    const bool dialog = x->kind == Kind::Dialog;
    const intptr_t r = x->proc(x, msg, wparam, lparam);
    // The procedure may have destroyed the window.
    if (dialog && r == 0 && Live(x)) return DefWindowProc(x, msg, wparam, lparam);
    return r;
}

intptr_t DefWindowProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    VKWindow *x = Live(w);
    if (!x) return 0;
    switch (msg) {
    case kMsgClose:
        if (x->kind == Kind::Dialog) {
            VKWindow *cancel = Live(GetDlgItem(x, kIdCancel));
            if (cancel && !cancel->enabled) return 0;
            SendMessage(x, kMsgCommand, (static_cast<uintptr_t>(kBnClicked) << 16) | kIdCancel,
                        reinterpret_cast<intptr_t>(cancel));
        } else if (x->kind == Kind::Window) {
            DestroyWindow(x);
        }
        return 0;
    case kMsgSetText:
        SetWindowText(x, text::View(reinterpret_cast<const char16_t *>(lparam)));
        return 1;
    case kMsgHelp:
        if (x->parent) return SendMessage(x->parent, kMsgHelp, wparam, lparam);
        return 0;
    default:
        return 0;
    }
}

void PostMessage(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    VKWindow *x = Live(w);
    if (!x) return;
    Q().posted.push_back({x, msg, wparam, lparam});
}

void PostQuitMessage(int exitCode) {
    Q().quit = true;
    Q().exitCode = exitCode;
}

bool DeliverPostedAndTimers() {
    const bool a = DeliverPosted();
    const bool b = DeliverTimers();
    return a || b;
}

bool PumpMessages() {
    CurrentBackend().ProcessInput();
    DeliverPostedAndTimers();
    return !Q().quit;
}

int RunMessageLoop() {
    auto &q = Q();
    ++q.loops;
    for (;;) {
        if (q.quit) {
            q.quit = false;
            return q.exitCode;
        }
        PumpMessages();
        if (q.quit || !q.posted.empty()) continue;
        CurrentBackend().WaitForInput(NextTimerWait());
    }
}

void SetTimer(VKHWND w, uintptr_t id, unsigned ms) {
    VKWindow *x = Live(w);
    if (!x) return;
    auto &q = Q();
    const int64_t due = NowMs() + std::max<unsigned>(ms, 1);
    for (Timer &t : q.timers) {
        if (t.w == x && t.id == id) {
            t.ms = ms;
            t.due = due;
            return;
        }
    }
    q.timers.push_back({x, id, ms, due});
}

void KillTimer(VKHWND w, uintptr_t id) {
    auto &t = Q().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer &x) { return x.w == w && x.id == id; }), t.end());
}

void ForgetWindowMessages(VKWindow *w) {
    auto &q = Q();
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const Posted &p) { return p.w == w; }),
                   q.posted.end());
    q.timers.erase(std::remove_if(q.timers.begin(), q.timers.end(), [&](const Timer &t) { return t.w == w; }),
                   q.timers.end());
}

MessageFilter SetMessageFilter(MessageFilter filter) {
    MessageFilter old = Q().filter;
    Q().filter = filter;
    return old;
}

void DeliverInput(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    VKWindow *x = Live(target);
    if (!x) return;
    if (MessageFilter f = Q().filter; f && f(x, msg, wparam, lparam)) return;
    if (!Live(x)) return;
    VKWindow *dialog = DialogOf(x);
    if (msg == kMsgKeyDown && wparam == kKeyF1) {
        SendMessage(x, kMsgHelp, 0, x->id);
        return;
    }
    if (msg == kMsgKeyDown && dialog && (wparam == kKeyReturn || wparam == kKeyEscape)) {
        // A multi-line edit keeps its Return.
        if (wparam == kKeyReturn && x->kind == Kind::Edit && (x->style & kStyleMultiline)) {
            SendMessage(x, msg, wparam, lparam);
            return;
        }
        ClickButton(dialog, wparam == kKeyReturn ? DefaultButtonId(dialog) : kIdCancel);
        return;
    }
    if (msg == kMsgSysChar && dialog) {
        if (Mnemonic(dialog, static_cast<char16_t>(wparam))) return;
    }
    if (msg == kMsgKeyDown && wparam == kKeySpace && x->kind == Kind::TreeView && TreeKeyToggle(x)) return;
    SendMessage(x, msg, wparam, lparam);
}

void BeginWaitCursor() {
    ++Q().waitDepth;
    CurrentBackend().CursorChanged(Q().waitDepth);
}

void EndWaitCursor() {
    if (Q().waitDepth == 0) return;
    --Q().waitDepth;
    CurrentBackend().CursorChanged(Q().waitDepth);
}

int WaitCursorDepth() { return Q().waitDepth; }

uint64_t MessageLoopEntries() { return Q().loops; }

void SetUrlLauncher(UrlLauncher launcher) { Q().launcher = launcher; }

UrlLauncher GetUrlLauncher() { return Q().launcher; }

void ResetMessages() {
    auto &q = Q();
    q.posted.clear();
    q.timers.clear();
    q.quit = false;
    q.exitCode = 0;
    q.waitDepth = 0;
    q.filter = nullptr;
    q.clock = nullptr;
}

} // namespace vk::ui

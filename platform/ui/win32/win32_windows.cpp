// One system window per model window, kept in step with it: creation by
// kind, the sync of every attribute after a change, the frame procedure
// that carries control notifications back into the model, and the keys the
// model's dialogs handle themselves.
#include <algorithm>

#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

constexpr wchar_t kFrameClass[] = L"VaultkeepFrame";

int &WaitDepthRef() {
    static int depth = 0;
    return depth;
}

HWND &FocusSeen() {
    static HWND seen = nullptr;
    return seen;
}

// The model's frame windows count a caption and borders of fixed sizes in
// their layout formulas; the system window gets the client area that those
// formulas leave, whatever the system's own frame sizes are.
SIZE ClientSizeOf(const VKWindow *w) {
    int cw = w->rect.w, ch = w->rect.h;
    if (w->kind == Kind::Window) {
        cw -= 2 * SystemMetric(Metric::BorderWidth);
        ch -= SystemMetric(Metric::CaptionHeight) + 2 * SystemMetric(Metric::BorderHeight);
    }
    return {std::max(cw, 1), std::max(ch, 1)};
}

DWORD TopLevelStyle(const VKWindow *w) {
    if (w->kind == Kind::Window) {
        DWORD s = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        if (w->style & kStyleResizable) s |= WS_THICKFRAME | WS_MAXIMIZEBOX;
        return s;
    }
    DWORD s = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    if (!(w->style & kStyleNoCloseBox)) s |= WS_SYSMENU;
    if (w->style & kStyleResizable) s |= WS_THICKFRAME;
    return s;
}

DWORD TopLevelExStyle(const VKWindow *w) {
    return WS_EX_CONTROLPARENT | (w->kind == Kind::Dialog ? WS_EX_DLGMODALFRAME : 0);
}

void ButtonClicked(VKWindow *c) {
    if (!c->parent) return;
    InputScope input;
    ClickButton(c->parent, c->id);
    // A refused click (or a procedure that reset the box) leaves the control
    // as the model has it.
    if (HwndFor(c)) SyncWindow(c);
}

void TextEdited(VKWindow *c, HWND hwnd) {
    // Multi-line edits keep "\r\n" line ends, as the model does.
    const std::u16string text = TextOf(hwnd);
    if (text == c->text) return;
    InputScope input;
    SetWindowText(c, text);
    if (Live(c) && c->parent)
        SendMessage(c->parent, kMsgCommand, (static_cast<uintptr_t>(kEnChange) << 16) | static_cast<uint16_t>(c->id),
                    reinterpret_cast<intptr_t>(c));
}

// A user's move or resize of a top-level window goes into the model's rectangle.
void Follow(VKWindow *w, HWND hwnd) {
    if (Syncing() || ::IsIconic(hwnd) || (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) return;
    RECT outer, client;
    ::GetWindowRect(hwnd, &outer);
    ::GetClientRect(hwnd, &client);
    Rect r = w->rect;
    r.x = outer.left;
    r.y = outer.top;
    if (w->style & kStyleResizable) {
        const bool frame = w->kind == Kind::Window;
        r.w = client.right + (frame ? 2 * SystemMetric(Metric::BorderWidth) : 0);
        r.h = client.bottom + (frame ? SystemMetric(Metric::CaptionHeight) + 2 * SystemMetric(Metric::BorderHeight) : 0);
    }
    if (r.x == w->rect.x && r.y == w->rect.y && r.w == w->rect.w && r.h == w->rect.h) return;
    InputScope input;
    MoveWindow(w, r, true);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    VKWindow *w = WindowFor(hwnd);
    if (!w) return ::DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_CLOSE:
        if (!Syncing()) {
            InputScope input;
            SendMessage(w, kMsgClose, 0, 0);
        }
        return 0;
    case WM_COMMAND: {
        if (Syncing() || !lp) return 0;
        VKWindow *c = WindowFor(reinterpret_cast<HWND>(lp));
        if (!c || c->parent != w) return 0;
        const UINT code = HIWORD(wp);
        if (code == BN_CLICKED && (c->kind == Kind::Button || c->kind == Kind::CheckBox || c->kind == Kind::Radio))
            ButtonClicked(c);
        else if (code == EN_CHANGE && c->kind == Kind::Edit)
            TextEdited(c, reinterpret_cast<HWND>(lp));
        return 0;
    }
    case WM_NOTIFY: {
        const auto *nm = reinterpret_cast<const NMHDR *>(lp);
        if (Syncing() || !nm) return 0;
        VKWindow *c = WindowFor(nm->hwndFrom);
        if (!c || c->parent != w) return 0;
        if (c->kind == Kind::Tab && nm->code == TCN_SELCHANGE) {
            const int index = static_cast<int>(::SendMessageW(nm->hwndFrom, TCM_GETCURSEL, 0, 0));
            if (index >= 0 && index != c->tabSel) {
                InputScope input;
                TabClick(c, index);
                if (HwndFor(c)) SyncWindow(c);
            }
        }
        return 0;
    }
    case WM_MOVE:
    case WM_SIZE:
        Follow(w, hwnd);
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    case WM_SETCURSOR:
        if (WaitDepthRef() > 0) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    case WM_HELP:
        return TRUE; // F1 reaches the model as a key
    default:
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

HWND MakeControl(VKWindow *w, HWND parent) {
    const HINSTANCE inst = ::GetModuleHandleW(nullptr);
    const auto id = reinterpret_cast<HMENU>(static_cast<intptr_t>(w->id & 0xFFFF));
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
    const wchar_t *cls = nullptr;
    DWORD style = child, ex = 0;
    switch (w->kind) {
    case Kind::Window:
    case Kind::Dialog:
        if (parent) {
            return ::CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, L"", child | WS_CLIPCHILDREN, 0, 0, 1, 1, parent,
                                     id, inst, nullptr);
        }
        return ::CreateWindowExW(TopLevelExStyle(w), kFrameClass, W(w->text), TopLevelStyle(w), CW_USEDEFAULT,
                                 CW_USEDEFAULT, 1, 1, HwndFor(w->owner), nullptr, inst, nullptr);
    case Kind::Static:
        cls = L"STATIC";
        style |= SS_LEFT;
        break;
    case Kind::Edit:
        cls = L"EDIT";
        ex = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | ((w->style & kStyleMultiline) ? ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN
                                                            : ES_AUTOHSCROLL);
        break;
    case Kind::Button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case Kind::CheckBox:
        // Not automatic: a click goes to the model, which decides the state.
        cls = L"BUTTON";
        style |= WS_TABSTOP | (((w->style & kStyleTriState) ? BS_3STATE : BS_CHECKBOX));
        break;
    case Kind::Radio:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_RADIOBUTTON;
        break;
    case Kind::GroupBox:
        cls = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
    case Kind::Tab:
        cls = WC_TABCONTROLW;
        style |= WS_TABSTOP;
        break;
    case Kind::Progress:
        cls = PROGRESS_CLASSW;
        break;
    case Kind::TreeView:
        return CreateTree(w, parent, child | WS_TABSTOP, WS_EX_CLIENTEDGE);
    case Kind::ListBox:
        cls = L"LISTBOX";
        ex = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        break;
    }
    return ::CreateWindowExW(ex, cls, W(w->text), style, 0, 0, 1, 1, parent, id, inst, nullptr);
}

void SyncTabs(VKWindow *w, HWND h) {
    const int n = static_cast<int>(w->tabs.size());
    int have = static_cast<int>(::SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        const std::u16string &text = w->tabs[static_cast<size_t>(i)];
        if (i < have) {
            wchar_t now[256] = {};
            TCITEMW read{};
            read.mask = TCIF_TEXT;
            read.pszText = now;
            read.cchTextMax = 255;
            ::SendMessageW(h, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&read));
            if (std::u16string_view(reinterpret_cast<const char16_t *>(now)) == text) continue;
        }
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t *>(W(text));
        ::SendMessageW(h, i < have ? TCM_SETITEMW : TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        if (i >= have) ++have;
    }
    while (have > n) ::SendMessageW(h, TCM_DELETEITEM, static_cast<WPARAM>(--have), 0);
    if (w->tabItemW > 0 || w->tabItemH > 0)
        ::SendMessageW(h, TCM_SETITEMSIZE, 0, MAKELPARAM(std::max(w->tabItemW, 0), std::max(w->tabItemH, 0)));
    if (w->tabSel >= 0 && w->tabSel < n && ::SendMessageW(h, TCM_GETCURSEL, 0, 0) != w->tabSel)
        ::SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(w->tabSel), 0);
}

void SyncText(VKWindow *w, HWND h) {
    if (TextOf(h) != w->text) ::SetWindowTextW(h, W(w->text));
}

void SyncTopLevel(VKWindow *w, HWND h) {
    const SIZE client = ClientSizeOf(w);
    RECT r{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(h, GWL_EXSTYLE)));
    RECT now;
    ::GetWindowRect(h, &now);
    const int ow = r.right - r.left, oh = r.bottom - r.top;
    if (now.left != w->rect.x || now.top != w->rect.y || now.right - now.left != ow || now.bottom - now.top != oh)
        ::SetWindowPos(h, nullptr, w->rect.x, w->rect.y, ow, oh, SWP_NOZORDER | SWP_NOACTIVATE);
    SyncText(w, h);
}

void ShowTopLevel(VKWindow *w, HWND h) {
    const bool shown = ::IsWindowVisible(h) != FALSE;
    if (w->visible && !shown) {
        ::ShowWindow(h, SW_SHOW);
        ::SetForegroundWindow(h);
        // The focus the model gave a control while the window was hidden.
        VKWindow *f = Live(GetFocus());
        if (f && TopLevelOf(f) == w)
            if (HWND fh = HwndFor(f)) ::SetFocus(fh);
    } else if (!w->visible && shown) {
        ::ShowWindow(h, SW_HIDE);
    }
}

bool IsBackground(const VKWindow *w) { return w && (w->kind == Kind::GroupBox || w->kind == Kind::Tab); }

// Group boxes and tab controls lie below every other sibling, so the controls
// they surround (and the pages a tab control holds) are drawn over them; the
// other controls keep their creation order, which is the Tab key's order.
void PlaceInZOrder(const VKWindow *w, HWND h, HWND parent) {
    constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (IsBackground(w)) {
        ::SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, flags);
        return;
    }
    HWND above = nullptr;
    for (HWND s = ::GetWindow(parent, GW_CHILD); s && s != h; s = ::GetWindow(s, GW_HWNDNEXT)) {
        if (IsBackground(WindowFor(s))) break;
        above = s;
    }
    ::SetWindowPos(h, above ? above : HWND_TOP, 0, 0, 0, 0, flags);
}

} // namespace

bool RegisterFrameClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), kFrameClass, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClass;
    return ::RegisterClassExW(&wc) != 0;
}

HFONT DialogFont() {
    // Dialog units of the model assume a font with characters about 6 pixels
    // wide and 13 high: the classic 8-point dialog font at 96 dots per inch.
    static HFONT font = [] {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof m;
        LOGFONTW lf{};
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) lf = m.lfMessageFont;
        lf.lfHeight = -11;
        lf.lfWidth = 0;
        lf.lfWeight = FW_NORMAL;
        if (!lf.lfFaceName[0]) ::lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
        HFONT f = ::CreateFontIndirectW(&lf);
        return f ? f : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

int ButtonTextWidth(std::u16string_view text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i; // "&x" shows x, "&&" shows &
        shown.push_back(static_cast<wchar_t>(text[i]));
    }
    HDC dc = ::GetDC(nullptr);
    if (!dc) return 0;
    HGDIOBJ old = ::SelectObject(dc, DialogFont());
    SIZE size{};
    const BOOL measured = ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    // The 3-D edges and the room the system keeps around a button's text.
    constexpr int kMargins = 16;
    return measured ? size.cx + kMargins : 0;
}

HWND CreateFor(VKWindow *w) {
    if (!w) return nullptr;
    if (HWND h = HwndFor(w)) return h;
    HWND parent = nullptr;
    if (w->parent) {
        parent = HwndFor(w->parent);
        if (!parent) return nullptr;
    }
    HWND h = MakeControl(w, parent);
    if (!h) return nullptr;
    Map(w, h);
    {
        SyncScope sync;
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
        if (parent) PlaceInZOrder(w, h, parent);
    }
    SyncWindow(w);
    return h;
}

void SyncWindow(VKWindow *w) {
    HWND h = HwndFor(w);
    if (!h) return;
    SyncScope sync;
    const bool top = !(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD);
    if (top) {
        SyncTopLevel(w, h);
    } else {
        RECT now;
        ::GetWindowRect(h, &now);
        ::MapWindowPoints(HWND_DESKTOP, ::GetParent(h), reinterpret_cast<POINT *>(&now), 2);
        const int cw = std::max(w->rect.w, 0), ch = std::max(w->rect.h, 0);
        if (now.left != w->rect.x || now.top != w->rect.y || now.right - now.left != cw || now.bottom - now.top != ch)
            ::SetWindowPos(h, nullptr, w->rect.x, w->rect.y, cw, ch, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if ((::IsWindowEnabled(h) != FALSE) != w->enabled) {
        ::EnableWindow(h, w->enabled ? TRUE : FALSE);
        // An owner enabled again after its modal dialog went takes the
        // activation back, as it does when the system ends a dialog.
        const HWND active = ::GetActiveWindow();
        if (top && w->enabled && w->visible && (!active || !::IsWindowVisible(active))) ::SetActiveWindow(h);
    }
    switch (w->kind) {
    case Kind::Window:
    case Kind::Dialog:
        break;
    case Kind::Static:
    case Kind::GroupBox:
        SyncText(w, h);
        break;
    case Kind::Edit:
        SyncText(w, h);
        if (((::GetWindowLongPtrW(h, GWL_STYLE) & ES_READONLY) != 0) != ((w->style & kStyleReadOnly) != 0))
            ::SendMessageW(h, EM_SETREADONLY, (w->style & kStyleReadOnly) ? TRUE : FALSE, 0);
        break;
    case Kind::Button: {
        SyncText(w, h);
        const LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
        const LONG_PTR want = (w->style & kStyleDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((style & 0x0F) != want) ::SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>(want), TRUE);
        break;
    }
    case Kind::CheckBox:
    case Kind::Radio: {
        SyncText(w, h);
        const WPARAM state = w->check == 1 ? BST_CHECKED : w->check == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
        if (w->check == 2 && w->kind == Kind::CheckBox &&
            (::GetWindowLongPtrW(h, GWL_STYLE) & 0x0F) == BS_CHECKBOX)
            ::SendMessageW(h, BM_SETSTYLE, BS_3STATE, FALSE);
        if (static_cast<WPARAM>(::SendMessageW(h, BM_GETCHECK, 0, 0)) != state) ::SendMessageW(h, BM_SETCHECK, state, 0);
        break;
    }
    case Kind::Tab:
        SyncTabs(w, h);
        break;
    case Kind::Progress: {
        const int lo = std::min(w->progressLo, w->progressHi), hi = std::max(w->progressLo, w->progressHi);
        PBRANGE range{};
        ::SendMessageW(h, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        if (range.iLow != lo || range.iHigh != hi) ::SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(lo), hi);
        const int pos = w->progressLo > w->progressHi ? lo + hi - w->progressPos : w->progressPos;
        if (static_cast<int>(::SendMessageW(h, PBM_GETPOS, 0, 0)) != pos)
            ::SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
        break;
    }
    case Kind::TreeView:
        TreeChanged(w);
        break;
    case Kind::ListBox:
        break;
    }
    if (top) {
        ShowTopLevel(w, h);
    } else if ((::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) == 0 ? w->visible : !w->visible) {
        ::ShowWindow(h, w->visible ? SW_SHOWNA : SW_HIDE);
    }
    if (GetFocus() == w && w->kind != Kind::Window && w->kind != Kind::Dialog && ::IsWindowVisible(h) &&
        ::GetFocus() != h) {
        ::SetFocus(h);
        FocusSeen() = h;
    }
}

bool TakeKey(const MSG &msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSCHAR) return false;
    VKWindow *w = WindowAbove(msg.hwnd);
    if (!w) return false;
    InputScope input;
    if (msg.message == WM_SYSCHAR) {
        const auto ch = static_cast<char16_t>(msg.wParam);
        const bool letter = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9');
        if (!letter) return false;
        DeliverInput(w, kMsgSysChar, ch, 0);
        return true;
    }
    const bool plain = ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
    if (!plain) return false;
    switch (msg.wParam) {
    case VK_F1:
        DeliverInput(w, kMsgKeyDown, kKeyF1, 0);
        return true;
    case VK_RETURN:
        // A multi-line edit keeps its Return; on a push button Return clicks it.
        if (w->kind == Kind::Edit && (w->style & kStyleMultiline)) return false;
        if (w->kind == Kind::Button && w->parent) ClickButton(w->parent, w->id);
        else DeliverInput(w, kMsgKeyDown, kKeyReturn, 0);
        return true;
    case VK_ESCAPE:
        DeliverInput(w, kMsgKeyDown, kKeyEscape, 0);
        return true;
    default:
        return false;
    }
}

void FollowFocus() {
    const HWND now = ::GetFocus();
    if (now == FocusSeen()) return;
    FocusSeen() = now;
    if (Syncing() || !now) return;
    VKWindow *w = WindowAbove(now);
    if (!w || w->kind == Kind::Window || w->kind == Kind::Dialog || GetFocus() == w) return;
    InputScope input;
    SetFocus(w);
}

int WaitDepth() { return WaitDepthRef(); }

void SetWaitDepth(int depth) {
    WaitDepthRef() = depth;
    ::SetCursor(::LoadCursorW(nullptr, depth > 0 ? IDC_WAIT : IDC_ARROW));
}

} // namespace vk::ui::win32

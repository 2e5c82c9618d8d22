// The Windows backend: the message pump, the modal loops, the wait cursor,
// and the install and shutdown entry points.
#include "platform/ui/win32/win32_backend.h"

#include <vector>

#include "platform/ui/internal.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

class Win32Backend;

struct Runtime {
    Win32Backend *backend = nullptr;
};

Runtime &RT() {
    static Runtime runtime;
    return runtime;
}

void Settle() {
    FlushTreeChanges();
    FlushDeleted();
}

// Waits up to `ms` milliseconds (-1: for ever) for system input.
void WaitSystem(int ms) {
    Settle();
    ::MsgWaitForMultipleObjectsEx(0, nullptr, ms < 0 ? INFINITE : static_cast<DWORD>(ms), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
}

class Win32Backend final : public Backend {
public:
    Win32Backend() { RT().backend = this; }
    ~Win32Backend() override {
        if (RT().backend == this) RT().backend = nullptr;
        if (WaitDepth() > 0) SetWaitDepth(0);
        DestroyAll();
    }
    Win32Backend(const Win32Backend &) = delete;
    Win32Backend &operator=(const Win32Backend &) = delete;

    const char *Name() const override { return "win32"; }
    bool HasDisplay() const override { return true; }

    void RunModal(VKHWND dialog) override {
        while (!IsDialogEnded(dialog)) {
            PumpSystem();
            if (IsDialogEnded(dialog)) break;
            DeliverPostedAndTimers();
            if (IsDialogEnded(dialog)) break;
            // The model's timers are not system timers: look at them often.
            WaitSystem(10);
        }
        Settle();
    }
    int MessageBox(VKHWND owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) override {
        return ShowMessageBox(Live(owner), text, caption, flags);
    }
    bool FileDialog(FileDialogRequest &request) override { return ShowFileDialog(request); }
    void ProcessInput() override {
        PumpSystem();
        Settle();
    }
    void WaitForInput(int timeoutMs) override { WaitSystem(timeoutMs); }
    void WindowCreated(VKHWND w) override { CreateFor(w); }
    int ButtonTextWidth(std::u16string_view text) override { return win32::ButtonTextWidth(text); }
    void WindowChanged(VKHWND w) override { SyncWindow(w); }
    void WindowDestroyed(VKHWND w) override { Unmap(w); }
    void CursorChanged(int waitDepth) override { SetWaitDepth(waitDepth); }
    bool OpenUrl(const std::string &url) override {
        if (UrlLauncher launcher = GetUrlLauncher()) return launcher(url);
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, nullptr, 0);
        if (n <= 0) return false;
        std::vector<wchar_t> wide(static_cast<size_t>(n));
        ::MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, wide.data(), n);
        const auto r = reinterpret_cast<intptr_t>(
            ::ShellExecuteW(nullptr, L"open", wide.data(), nullptr, nullptr, SW_SHOWNORMAL));
        return r > 32;
    }
};

bool Installed() { return RT().backend && &CurrentBackend() == RT().backend; }

// System windows for model windows made before the backend came.
void Adopt(VKWindow *w) {
    CreateFor(w);
    for (VKWindow *c : std::vector<VKWindow *>(w->children)) Adopt(c);
}

// A window can be made: the process has a window station and, under a
// compatibility layer, a display driver.
bool CanMakeWindows() {
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    if (!probe) return false;
    ::DestroyWindow(probe);
    return true;
}

} // namespace

void PumpSystem() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to end: the model's quit is PostQuitMessage of the model.
            continue;
        }
        if (TakeKey(msg)) {
            FollowFocus();
            continue;
        }
        // Tab and arrow navigation between the controls of a dialog.
        HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (top && WindowFor(top) && ::IsDialogMessageW(top, &msg)) {
            FollowFocus();
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        FollowFocus();
    }
}

bool Install() {
    (void)CurrentBackend();
    if (Installed()) return true;
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);
    if (!RegisterFrameClass() || !CanMakeWindows()) return false;
    RECT area{};
    if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left)
        SetWorkArea({area.left, area.top, area.right - area.left, area.bottom - area.top});
    InstallBackend(std::make_unique<Win32Backend>());
    for (VKHWND top : TopLevelWindows()) Adopt(top);
    if (WaitCursorDepth() > 0) CurrentBackend().CursorChanged(WaitCursorDepth());
    Settle();
    return true;
}

void Shutdown() {
    if (Installed()) InstallBackend(nullptr);
}

} // namespace vk::ui::win32

extern "C" int vkui_win32_install(void) { return vk::ui::win32::Install() ? 1 : 0; }

extern "C" void vkui_win32_shutdown(void) { vk::ui::win32::Shutdown(); }

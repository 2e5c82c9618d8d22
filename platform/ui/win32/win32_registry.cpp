// Which system window renders which model window, the deferred destruction
// of system windows, and the guards that keep programmatic changes and user
// input apart.
#include <unordered_map>
#include <vector>

#include "platform/ui/win32/win32_backend.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

struct Registry {
    std::unordered_map<const VKWindow *, HWND> handles;
    std::unordered_map<HWND, VKWindow *> windows;
    std::vector<HWND> doomed;
    int syncDepth = 0;
    int inputDepth = 0;
};

Registry &Reg() {
    static Registry registry;
    return registry;
}

} // namespace

HWND HwndFor(const VKWindow *w) {
    auto &reg = Reg();
    const auto it = reg.handles.find(w);
    return it == reg.handles.end() ? nullptr : it->second;
}

VKWindow *WindowFor(HWND hwnd) {
    auto &reg = Reg();
    const auto it = reg.windows.find(hwnd);
    return it == reg.windows.end() ? nullptr : it->second;
}

VKWindow *WindowAbove(HWND hwnd) {
    for (HWND h = hwnd; h; h = ::GetAncestor(h, GA_PARENT)) {
        if (VKWindow *w = WindowFor(h)) return w;
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) return nullptr;
    }
    return nullptr;
}

void Map(VKWindow *w, HWND hwnd) {
    auto &reg = Reg();
    reg.handles[w] = hwnd;
    reg.windows[hwnd] = w;
}

void Unmap(VKWindow *w) {
    auto &reg = Reg();
    const auto it = reg.handles.find(w);
    if (it == reg.handles.end()) return;
    const HWND hwnd = it->second;
    reg.handles.erase(it);
    reg.windows.erase(hwnd);
    if (w->kind == Kind::TreeView) TreeForget(w);
    {
        SyncScope sync;
        ::ShowWindow(hwnd, SW_HIDE);
    }
    reg.doomed.push_back(hwnd);
    FlushDeleted();
}

void FlushDeleted() {
    auto &reg = Reg();
    if (reg.inputDepth > 0 || reg.doomed.empty()) return;
    std::vector<HWND> doomed;
    doomed.swap(reg.doomed);
    // Children first (they were unmapped first); a parent takes the rest.
    SyncScope sync;
    for (HWND h : doomed)
        if (::IsWindow(h)) ::DestroyWindow(h);
}

void DestroyAll() {
    auto &reg = Reg();
    std::vector<HWND> tops;
    for (auto &[w, h] : reg.handles) {
        if (w->kind == Kind::TreeView) TreeForget(const_cast<VKWindow *>(w));
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) tops.push_back(h);
    }
    reg.handles.clear();
    reg.windows.clear();
    for (HWND h : reg.doomed) tops.push_back(h);
    reg.doomed.clear();
    SyncScope sync;
    for (HWND h : tops)
        if (::IsWindow(h)) ::DestroyWindow(h);
}

bool Syncing() { return Reg().syncDepth > 0; }

SyncScope::SyncScope() { ++Reg().syncDepth; }
SyncScope::~SyncScope() { --Reg().syncDepth; }

InputScope::InputScope() { ++Reg().inputDepth; }
InputScope::~InputScope() { --Reg().inputDepth; }

void *HandleOf(VKHWND w) { return HwndFor(Live(w)); }

VKHWND WindowOfHandle(void *hwnd) { return WindowFor(static_cast<HWND>(hwnd)); }

} // namespace vk::ui::win32

#include "tests/support/win32/win32_ui_support.h"

#include <cstdlib>
#include <cstring>

#include "platform/ui/win32/win32_backend.h"
#include "tests/support/test_support.h"

namespace vk::test {

HWND SystemWindow(VKHWND w) { return static_cast<HWND>(ui::win32::HandleOf(w)); }

HWND SystemControl(VKHWND dialog, int32_t id) { return SystemWindow(ui::GetDlgItem(dialog, id)); }

void SpinWin32(int ms) {
    const DWORD start = ::GetTickCount();
    do {
        ui::PumpMessages();
        ::Sleep(5);
    } while (static_cast<int>(::GetTickCount() - start) < ms);
}

HTREEITEM ShownItem(VKHWND tree, VKTreeItem *item) {
    ui::win32::FlushTrees();
    HWND h = SystemWindow(tree);
    if (!h) return nullptr;
    // Pre-order walk of the control's items; each carries its model item.
    auto next = [h](HTREEITEM x, WPARAM code) {
        return reinterpret_cast<HTREEITEM>(::SendMessageW(h, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(x)));
    };
    for (HTREEITEM x = next(nullptr, TVGN_ROOT); x;) {
        TVITEMW it{};
        it.mask = TVIF_PARAM | TVIF_HANDLE;
        it.hItem = x;
        ::SendMessageW(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        if (it.lParam == reinterpret_cast<LPARAM>(item)) return x;
        HTREEITEM down = next(x, TVGN_CHILD);
        if (down) {
            x = down;
            continue;
        }
        while (x && !next(x, TVGN_NEXT)) x = next(x, TVGN_PARENT);
        if (x) x = next(x, TVGN_NEXT);
    }
    return nullptr;
}

bool ClickStateImage(VKHWND tree, VKTreeItem *item) {
    ui::TreeEnsureVisible(tree, item);
    HTREEITEM shown = ShownItem(tree, item);
    HWND h = SystemWindow(tree);
    if (!shown || !h) return false;
    RECT r{};
    std::memcpy(&r, &shown, sizeof shown); // the item goes in, the rectangle comes back
    if (!::SendMessageW(h, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) return false;
    // The state image lies left of the label, left of the normal image when
    // the tree has one.
    const bool images = ::SendMessageW(h, TVM_GETIMAGELIST, TVSIL_NORMAL, 0) != 0;
    TVHITTESTINFO hit{};
    hit.pt = {r.left - (images ? 16 : 0) - 8, (r.top + r.bottom) / 2};
    ::SendMessageW(h, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.hItem != shown || !(hit.flags & TVHT_ONITEMSTATEICON)) return false;
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    return true;
}

void ClickSystemButton(VKHWND dialog, int32_t id) { ::SendMessageW(SystemControl(dialog, id), BM_CLICK, 0, 0); }

std::string PicturePath(const std::string &name) {
    const char *dir = std::getenv("VAULTKEEP_SCREENSHOT_DIR");
    std::string folder = dir && *dir ? std::string(dir) + "/" : std::string(VK_BINARY_DIR) + "/screenshots/";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder + name;
}

bool IsPicture(const std::string &path) {
    if (!FileExists(path)) return false;
    const std::string bytes = ReadFile(path);
    return bytes.size() > 2000 && bytes.substr(1, 3) == "PNG";
}

} // namespace vk::test

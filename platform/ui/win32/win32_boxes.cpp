// Message boxes and the Open and Save file dialogs: the system's own. While
// they run their own modal loop, a thread timer keeps delivering the model's
// posted messages and timers, as the model's own loops do.
#include <algorithm>
#include <vector>

#include "platform/ui/internal.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

void CALLBACK KeepModelRunning(HWND, UINT, UINT_PTR, DWORD) {
    DeliverPostedAndTimers();
    FlushTreeChanges();
    FlushDeleted();
}

struct ModelTicks {
    UINT_PTR id = ::SetTimer(nullptr, 0, 20, &KeepModelRunning);
    ~ModelTicks() {
        if (id) ::KillTimer(nullptr, id);
    }
    ModelTicks() = default;
    ModelTicks(const ModelTicks &) = delete;
    ModelTicks &operator=(const ModelTicks &) = delete;
};

// Paths of the model use '/'; the system dialogs show '\'.
std::u16string ToSystem(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

} // namespace

int ShowMessageBox(VKWindow *owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    const std::u16string t(text), c(caption);
    ModelTicks ticks;
    FlushTreeChanges();
    // The model's flags are the system's values.
    const int result = ::MessageBoxW(HwndFor(TopLevelOf(owner)), W(t), W(c), flags);
    return result != 0 ? result : kIdCancel;
}

bool ShowFileDialog(FileDialogRequest &request) {
    std::vector<wchar_t> file(32768, L'\0');
    const std::u16string proposed = ToSystem(request.file);
    std::copy_n(reinterpret_cast<const wchar_t *>(proposed.c_str()), std::min(proposed.size(), file.size() - 1),
                file.begin());
    const std::u16string initialDir = ToSystem(request.initialDir);
    // The filter list already has the system's "desc\0pattern\0...\0\0" shape.
    std::u16string filter = request.filter;
    if (!filter.empty()) filter += u'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = HwndFor(TopLevelOf(Live(request.owner)));
    ofn.lpstrFilter = filter.empty() ? nullptr : W(filter);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : W(initialDir);
    ofn.lpstrTitle = request.title.empty() ? nullptr : W(request.title);
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : W(request.defaultExt);
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (request.save && request.overwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
    if (!request.save && request.fileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    ModelTicks ticks;
    FlushTreeChanges();
    const BOOL chosen = request.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    if (!chosen || !file[0]) return false;
    request.file = vk::win::FromWin32Path(file.data());
    return true;
}

} // namespace vk::ui::win32

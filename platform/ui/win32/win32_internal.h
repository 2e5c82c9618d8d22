// Links between the files of the Windows renderer (not for code outside
// ui/win32). The only UI header of the project that includes <windows.h>
// (through platform/win/win32.h) and the common controls: the names the
// system turns into macros are undefined again before the model's headers
// come, so vk::ui::MessageBox stays itself.
#pragma once

#include "platform/win/win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

// The window names of the model that the system's headers also define.
#undef SetWindowText
#undef GetWindowText
#undef SetDlgItemText
#undef GetDlgItemText
#undef DefWindowProc

#include <string>
#include <string_view>

#include "platform/ui/window.h"

namespace vk::ui::win32 {

// UTF-16 of the model as the system's wide text.
inline const wchar_t *W(const std::u16string &s) { return reinterpret_cast<const wchar_t *>(s.c_str()); }
// A system window's text (inline: the renderer's tests read controls with it).
inline std::u16string TextOf(HWND hwnd) {
    const int n = ::GetWindowTextLengthW(hwnd);
    std::u16string s(static_cast<size_t>(n > 0 ? n : 0) + 1, u'\0');
    const int got = ::GetWindowTextW(hwnd, reinterpret_cast<wchar_t *>(s.data()), n + 1);
    s.resize(static_cast<size_t>(got > 0 ? got : 0));
    return s;
}

// ---- win32_registry.cpp: which system window renders which model window ----
HWND HwndFor(const VKWindow *w);
VKWindow *WindowFor(HWND hwnd);
// The model window of hwnd or of its nearest mapped ancestor.
VKWindow *WindowAbove(HWND hwnd);
void Map(VKWindow *w, HWND hwnd);
// Forgets the window's system window: hidden now, destroyed once no input
// handler runs (it may be the one whose input destroyed the model window).
void Unmap(VKWindow *w);
void FlushDeleted();
void DestroyAll();

// Programmatic changes raise notifications; they must not go back to the
// model as user input.
bool Syncing();
struct SyncScope {
    SyncScope();
    ~SyncScope();
    SyncScope(const SyncScope &) = delete;
    SyncScope &operator=(const SyncScope &) = delete;
};
// User input running in the model (system windows are not destroyed meanwhile).
struct InputScope {
    InputScope();
    ~InputScope();
    InputScope(const InputScope &) = delete;
    InputScope &operator=(const InputScope &) = delete;
};

// ---- win32_windows.cpp: one system window per model window ----
bool RegisterFrameClass();
HFONT DialogFont();
// The width a push button needs for its text ('&' marks a mnemonic) in the
// dialog font, with the button's own margins.
int ButtonTextWidth(std::u16string_view text);
HWND CreateFor(VKWindow *w);
void SyncWindow(VKWindow *w);
// Keyboard input the model handles (Return, Escape, F1, Alt+letter); true
// when the message was taken.
bool TakeKey(const MSG &msg);
// The model's focus follows the system's.
void FollowFocus();
int WaitDepth();
void SetWaitDepth(int depth);

// ---- win32_tree.cpp: the tree-view control ----
HWND CreateTree(VKWindow *w, HWND parent, DWORD style, DWORD exStyle);
void TreeChanged(VKWindow *w);   // marks the control for the next flush
void TreeForget(VKWindow *w);    // the control is going away
void FlushTreeChanges();

// ---- win32_images.cpp ----
// An image list of 16-pixel frames made from a model image list (null when
// it has no frames); `checkBoxes` makes the standard blank, unchecked,
// checked and partly checked state images instead.
HIMAGELIST MakeImageList(const ImageList *list, bool checkBoxes);

// ---- win32_boxes.cpp ----
int ShowMessageBox(VKWindow *owner, std::u16string_view text, std::u16string_view caption, uint32_t flags);
bool ShowFileDialog(FileDialogRequest &request);

// ---- win32_backend.cpp ----
// Dispatches pending system messages (keys the model handles go to it).
void PumpSystem();

} // namespace vk::ui::win32

// The native Windows renderer of the UI layer.
//
// Every VKWindow of the model gets a real window that mirrors it: frames and
// dialogs are windows of the renderer's own class, controls are the system's
// controls (static, edit, button, group box, tab control, progress bar, tree
// view with state images, list box), message boxes are system message boxes
// and file dialogs the system's Open and Save dialogs. User input goes back
// into the model through the same entry points the headless backend and the
// tests use (ClickButton, EnterText, TabClick, TreeClick, DeliverInput, ...),
// so the model stays the only place where state lives.
//
// Two ways to install it:
//   - linked: call vk::ui::win32::Install() early in main;
//   - loaded at run time: open "vkui_win32.dll" from the program's folder and
//     call its C export `int vkui_win32_install(void)` (1: installed, 0: no
//     window station to draw on). Before leaving main, call
//     vkui_win32_shutdown() so the windows go while the process is whole.
// This header does not include the system's headers: window handles cross it
// as void pointers.
#pragma once

#include <string_view>

#include "platform/ui/ui.h"

#if defined(VKUI_WIN32_BUILDING_DLL)
#define VKUI_WIN32_API __declspec(dllexport)
#else
#define VKUI_WIN32_API
#endif

namespace vk::ui::win32 {

// Registers the window class, makes the dialog font and installs the backend;
// system windows are made for the model windows that already exist. False
// when no window can be created (no window station or display).
VKUI_WIN32_API bool Install();
// Replaces the renderer by the headless backend and destroys every system
// window it made. Safe to call when not installed.
VKUI_WIN32_API void Shutdown();

// The system window (HWND) that renders a model window, or null; and back.
VKUI_WIN32_API void *HandleOf(VKHWND w);
VKUI_WIN32_API VKHWND WindowOfHandle(void *hwnd);
// Brings the system tree-view controls up to date with their model trees now
// (they follow the model in batches, when the renderer waits for input).
VKUI_WIN32_API void FlushTrees();

} // namespace vk::ui::win32

extern "C" {
VKUI_WIN32_API int vkui_win32_install(void);
VKUI_WIN32_API void vkui_win32_shutdown(void);
// Saves a PNG of the top-level window that holds `window` as it is on the
// screen, after pending input and paints were processed; 1 when written.
VKUI_WIN32_API int vkui_win32_save_screenshot(VKHWND window, const char *pngPath);
}

// The Qt 6 Widgets renderer of the UI layer.
//
// Every VKWindow of the model gets a Qt widget that mirrors it (texts, check
// states, positions in pixels, visibility, tree items); user input goes back
// into the model through the same entry points the headless backend and the
// tests use (ClickButton, TabClick, TreeClick, DeliverInput, ...), so what the
// tests check headless is what the user sees.
//
// Two ways to install it:
//   - linked: call vk::ui::qt::Install(argc, argv) early in main; it creates
//     the QApplication and installs the backend with vk::ui::InstallBackend;
//   - loaded at run time (the program does not link Qt): when a display is
//     present, open "libvkui_qt.so" from the program's folder with
//     vk::module::Library and call its C export
//         int vkui_qt_install(void);     // 1: installed, 0: no display
//     Before leaving main, call vkui_qt_shutdown() (or vk::ui::qt::Shutdown())
//     so the widgets and the QApplication go while Qt is still whole; a
//     program that forgets it leaves them to the end of the process, which
//     is safe but skips their clean-up.
// Both installs fail, without touching the current backend, when no display
// can be reached (no QT_QPA_PLATFORM, no reachable WAYLAND_DISPLAY or DISPLAY);
// the program then stays on the headless backend.
// A program that wants pictures of its windows (screenshot scripts, with
// QT_QPA_PLATFORM=offscreen) calls vkui_qt_save_screenshot the same way.
#pragma once

#include <QtCore/qcontainerfwd.h>

#include <string_view>

#include "platform/ui/ui.h"

#define VKUI_QT_API __attribute__((visibility("default")))

class QWidget;

namespace vk::ui::qt {

// Creates the QApplication (or uses the one that exists) and installs the Qt
// backend; widgets are made for the windows that already exist. False when no
// display can be reached.
VKUI_QT_API bool Install(int &argc, char **argv);
// Replaces the Qt backend by the headless one, deletes every widget and the
// QApplication that Install created. Safe to call when not installed.
VKUI_QT_API void Shutdown();
// True when a display seems reachable: QT_QPA_PLATFORM is set, or the socket of
// WAYLAND_DISPLAY or of a local DISPLAY accepts a connection (a remote DISPLAY
// is trusted).
VKUI_QT_API bool DisplayReachable();

// The widget that renders a window (null when none): for tests and tools.
VKUI_QT_API QWidget *WidgetOf(VKHWND w);
// The name filters of a file dialog from a "desc\0pattern\0...\0\0" list: "desc
// (pattern)" with ';' between patterns turned into blanks.
VKUI_QT_API QStringList NameFilters(std::u16string_view filter);

} // namespace vk::ui::qt

extern "C" {
VKUI_QT_API int vkui_qt_install(void);
VKUI_QT_API void vkui_qt_shutdown(void);
// Saves a PNG of the top-level window that holds `window`, after pending
// events were processed (for screenshots of the program); 1 when written.
VKUI_QT_API int vkui_qt_save_screenshot(VKHWND window, const char *pngPath);
}

// The window renderer that the program and the library open at run time when
// a display is present: the Qt renderer (libvkui_qt.so) on Linux, the native
// renderer (vkui_win32.dll) on Windows. Both export the same three entries
// under their own prefix: <prefix>_install, <prefix>_shutdown and
// <prefix>_save_screenshot. The build names the file and the prefix.
#pragma once

#include <string>

#include "platform/ui/ui.h"

namespace vk::ui {

// The renderer's file name, looked for in the program's folder.
std::u16string RendererFile();

// Opens the renderer (once per process; it stays loaded, its windows live in
// it) and lets it install itself. True when windows are shown on a display
// from now on. False otherwise; *error then says why the renderer could not
// be loaded or lacks its entry, and stays empty when it loaded but found no
// display (not an error: the process stays headless).
bool InstallRenderer(std::string *error);
// Before the process ends: the renderer's windows go while it is whole.
void ShutdownRenderer();
// A PNG picture of the top-level window that holds `window`, through the
// renderer; false without a renderer or when nothing was written.
bool SaveWindowPicture(VKHWND window, const std::string &pngPath);

} // namespace vk::ui

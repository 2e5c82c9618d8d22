// Starting other programs: the desktop's viewer for a file or a web address.
#pragma once

#include <string_view>

namespace vk::process {

// Opens a file in the desktop's viewer. With a display (DISPLAY or
// WAYLAND_DISPLAY set) "xdg-open" is started with the path as its only
// argument (no shell); the call waits a short while for it to finish starting
// and never longer. Without a display, or when the viewer cannot be started,
// the path is written to standard error. Returns whether a viewer was started.
bool OpenInViewer(std::u16string_view path);

// Opens a web address or a file:// address in the desktop's browser, the same
// way. Returns whether a browser was started.
bool OpenUrl(std::u16string_view url);

// True when a graphical display is available to started programs.
bool DisplayPresent();

} // namespace vk::process

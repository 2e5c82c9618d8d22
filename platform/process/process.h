// Starting other programs: the desktop's viewer for a file or a web address.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// True when a graphical display is available to started programs (Linux:
// DISPLAY or WAYLAND_DISPLAY set; Windows: the process's window station is
// the interactive one, which services do not have). VAULTKEEP_HEADLESS set
// to anything makes it false on both systems (tests under Wine).
bool DisplayPresent();

// The program's arguments as UTF-8, program name first. On Windows they come
// from the wide command line (the wide entry point passes none), so no
// argument goes through the ANSI code page.
std::vector<std::string> ProgramArguments();

// A Windows GUI program starts without standard streams; when the program
// that started it has a console, they are connected to that console so that
// command-line runs can report. Streams that were redirected stay as they are.
// Nothing to do on Linux.
void ConnectStandardStreams();

} // namespace vk::process

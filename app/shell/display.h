// The choice of the UI backend: the window renderer (Qt on Linux, the native
// one on Windows) when a display is present, the headless backend otherwise.
#pragma once

namespace vk::app {

// True when the environment names a display (an X or Wayland display, or an
// explicit Qt platform such as "offscreen").
bool DisplayNamed();

// Only when a display is named: loads the window renderer (platform/ui/
// renderer.h) from the program's folder and lets it install itself. Returns
// true when windows are shown on a display from now on; otherwise the
// program stays headless
// (a renderer that cannot be loaded is reported on standard error; a display
// that cannot be reached is not an error).
bool InstallDisplayBackend();

// Before the program ends: the renderer's windows go while it is whole.
void ShutdownDisplayBackend();

} // namespace vk::app

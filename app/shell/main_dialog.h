// The main dialog (template 102): the tabs "&Backup" and "&Restore" with their
// pages, the status line, the progress bar, Begin (for the page shown) and
// Close.
#pragma once

#include <cstdint>

#include "platform/ui/ui.h"

namespace vk::app {

// Creates the main dialog inside the main window (which also creates the
// backup page) and makes the backup page the current page. Null on failure.
VKHWND CreateMainDialog(VKHWND mainWindow);
intptr_t MainDialogProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam);

} // namespace vk::app

// The progress dialog of command-line runs (template 137): while it exists it
// is the host dialog, so the run's status texts and progress land in it.
#pragma once

#include <cstdint>

#include "platform/ui/ui.h"

namespace vk::app {

// Creates the dialog (visible, unowned, centred, no close box), titled for
// the run mode, and makes it the host dialog. Null when it cannot be made;
// the main dialog then stays the host.
VKHWND OpenRunProgress();
// Destroys it; the main dialog and its bar are the host again.
void CloseRunProgress(VKHWND dialog);

intptr_t RunProgressProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam);

} // namespace vk::app

// The configuration restore run ("configrestore" with "file"): opens the
// archive with the library, which unpacks and checks it and lists its entries
// through the restore progress procedure, and closes it again. The program
// has no restore selection, so no item is restored.
#pragma once

#include <cstdint>

#include "platform/ui/ui.h"

namespace vk::app {

// The listing counters and the restored-items count, reset by progress code 1.
struct RestoreCounters {
    intptr_t total = 0; // entries announced
    intptr_t seen = 0;  // entries counted so far
    int restored = 0;   // items restored (none: there is no restore selection)
};
RestoreCounters &RestoreCounts();

// The run. owner: the progress dialog; name: the command-line file name.
// True when the library opened the archive (and it was closed again).
bool RunConfigRestore(VKHWND owner, bool unattended, const char16_t *name);

// The progress procedure handed to VKRestoreInit.
int RestoreProgress(int code, intptr_t value, const char16_t *text);

} // namespace vk::app

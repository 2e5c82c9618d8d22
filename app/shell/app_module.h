// The program's resource module (string table, dialogs and bitmaps).
#pragma once

#include "vaultkeeplib.h"

namespace vk::app {

// The program's module, made from its string table through the library on
// first use; it lives as long as the process.
VKHMODULE AppModule();

} // namespace vk::app

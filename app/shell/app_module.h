// The program's resource module (string table and dialogs).
#pragma once

#include "vaultkeeplib.h"

namespace vk::app {

VKHMODULE AppModule();

} // namespace vk::app

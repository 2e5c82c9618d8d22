// The library's resource module: its string table now, its dialog templates
// and images as the dialogs that use them arrive.
#pragma once

#include "platform/module/resources.h"

namespace vk::lib {

// The module, built on first use; never freed. VKGetLibraryModule returns it.
VKModule &LibraryModule();
// Builds the module at load time (also safe later and more than once).
void RegisterLibraryModule();

} // namespace vk::lib

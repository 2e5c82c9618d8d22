// Library-wide state set up when the library loads.
#pragma once

namespace vk::lib {

// Load: registers the library's module, reads the installation folders and
// derives the library-wide settings. Safe to call more than once (tests).
void AttachLibrary();
// Unload.
void DetachLibrary();

} // namespace vk::lib

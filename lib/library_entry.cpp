// Load and unload of the shared library: the loader runs these once.
#include "lib/services/library_state.h"

namespace {
__attribute__((constructor)) void OnLoad() { vk::lib::AttachLibrary(); }
__attribute__((destructor)) void OnUnload() { vk::lib::DetachLibrary(); }
} // namespace

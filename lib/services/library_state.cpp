#include "lib/services/library_state.h"

#include "lib/resources/library_module.h"
#include "lib/services/directories.h"
#include "lib/services/strings.h"
#include "vaultkeeplib.h"

namespace vk::lib {

void AttachLibrary() {
    // The module handle is stored first; then the installation folders are
    // read and the library-wide settings derived from them.
    RegisterLibraryModule();
    InstallAllocationWarning();
    LoadDirectories();
}
void DetachLibrary() { InstallVarDefs(); }

} // namespace vk::lib

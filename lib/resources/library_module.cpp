#include "lib/resources/library_module.h"

#include "lib/resources/library_dialogs.h"
#include "lib/resources/library_strings.h"

namespace vk::lib {
namespace {

VKModule BuildLibraryModule() {
    VKModule module;
    module.name = u"vaultkeeplib";
    for (const VKStringEntry &entry : LibraryStrings()) module.strings.emplace(entry.id, entry.text);
    AddLibraryDialogs(module);
    // Further dialog templates (module.dialogs) and images (module.images) are
    // added here by the parts of the library that show them.
    return module;
}

} // namespace

VKModule &LibraryModule() {
    static VKModule module = BuildLibraryModule();
    return module;
}

void RegisterLibraryModule() { LibraryModule(); }

} // namespace vk::lib

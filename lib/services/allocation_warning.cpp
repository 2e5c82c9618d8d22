// The library's warning for a failed memory allocation.
#include "common/memory.h"
#include "lib/services/strings.h"
#include "platform/ui/ui.h"

namespace vk::lib {

void ShowAllocationWarning() {
    const VKHMODULE module = VKGetLibraryModule();
    // Both strings come from the ring, so the text survives the caption's load.
    const char16_t *text = LMGetString(module, 2845);
    const char16_t *caption = LMGetString(module, 3075);
    ui::MessageBox(nullptr, text, caption, ui::kMbOk | ui::kMbIconWarning);
}

void InstallAllocationWarning() { SetAllocationWarning(&ShowAllocationWarning); }

} // namespace vk::lib

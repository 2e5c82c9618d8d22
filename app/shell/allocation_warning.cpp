#include "app/shell/allocation_warning.h"

#include "app/shell/app_module.h"
#include "common/memory.h"
#include "platform/ui/ui.h"

namespace vk::app {

namespace {

void ShowAllocationWarning() {
    // The text is fixed: loading it could need memory that is not there.
    ui::MessageBox(nullptr, u"Insufficient Local Memory", LMGetString(AppModule(), 3075),
                   ui::kMbOk | ui::kMbIconWarning);
}

} // namespace

void InstallAllocationWarning() { SetAllocationWarning(&ShowAllocationWarning); }

} // namespace vk::app

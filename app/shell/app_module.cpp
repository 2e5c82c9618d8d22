#include "app/shell/app_module.h"

#include "app/resources/app_dialogs.h"
#include "app/resources/app_images.h"
#include "app/resources/app_strings.h"
#include "platform/module/resources.h"

namespace vk::app {

VKHMODULE AppModule() {
    static const VKHMODULE module = [] {
        const auto strings = AppStrings();
        VKHMODULE made = VKCreateStringModule(strings.data(), strings.size());
        // The module carries the program's dialogs and bitmaps as well.
        if (made) {
            AddAppDialogs(*made);
            AddAppImages(*made);
        }
        return made;
    }();
    return module;
}

} // namespace vk::app

#include "app/shell/app_module.h"

#include "app/resources/app_strings.h"

namespace vk::app {

VKHMODULE AppModule() {
    static const VKHMODULE module = [] {
        const auto strings = AppStrings();
        return VKCreateStringModule(strings.data(), strings.size());
    }();
    return module;
}

} // namespace vk::app

#include "app/shell/app_module.h"

namespace vk::app {

VKHMODULE AppModule() { return nullptr; }

} // namespace vk::app

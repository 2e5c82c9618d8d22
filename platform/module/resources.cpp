#include "platform/module/resources.h"

namespace vk::module {

bool LoadString(const VKModule *module, uint32_t id, std::u16string_view &text) {
    if (!module) return false;
    const auto it = module->strings.find(id);
    if (it == module->strings.end()) return false;
    text = it->second;
    return true;
}

} // namespace vk::module

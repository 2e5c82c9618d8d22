// Resource modules: the string table, dialog templates and images of one
// deliverable (the library, the program, or a program that uses the library).
//
// On Windows these would be the module's own resources; here each deliverable
// compiles its tables in and registers them as a VKModule at start-up.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

// Images of a module: small bitmaps addressed by id (tree images, kind images),
// each a row of square frames of `frame` pixels, 32-bit ARGB.
struct VKImage {
    int frame = 16;
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

struct VKModule {
    std::u16string name;
    std::map<uint32_t, std::u16string> strings;
    std::map<int32_t, vk::ui::DialogTemplate> dialogs;
    std::map<int32_t, VKImage> images;
};

namespace vk::module {

// Looks up a string; false when the id is not in the table.
bool LoadString(const VKModule *module, uint32_t id, std::u16string_view &text);

} // namespace vk::module

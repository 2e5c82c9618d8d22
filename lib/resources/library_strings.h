// The library's string table.
#pragma once

#include <span>

#include "vaultkeeplib.h"

namespace vk::lib {

std::span<const VKStringEntry> LibraryStrings();

} // namespace vk::lib

// The program's string table.
#pragma once

#include <span>

#include "vaultkeeplib.h"

namespace vk::app {

std::span<const VKStringEntry> AppStrings();

} // namespace vk::app

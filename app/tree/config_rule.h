// The rule that tells configuration files: which files of the installation
// the backup page's default choice takes.
#pragma once

#include <span>
#include <string_view>

#include "app/shell/settings.h"

namespace vk::app {

inline constexpr int kConfigExtensionCount = 69;

// The extensions of the host product's configuration files, each with its
// leading full stop.
std::span<const char16_t *const> ConfigExtensions();

// '*' matches any run of characters (also none), '?' any one character, every
// other character itself with A to Z folded to a to z; anchored at both ends.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

// False when the name matches a pattern of the skip list, true otherwise.
bool SkipRule(std::u16string_view name, const ItemLists &lists);

// A name without a full stop is never a configuration file; a name of the add
// list (case ignored) always is; one that SkipRule refuses is not; otherwise
// its extension (from the last full stop on) decides.
bool IsConfigFile(std::u16string_view name, const ItemLists &lists);
// The same with the program's lists (ProgramItemLists).
bool IsConfigFile(std::u16string_view name);

} // namespace vk::app

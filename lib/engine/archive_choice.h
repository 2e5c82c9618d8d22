// Choosing the archive of a job: the extension list given to Init and the
// Save and Open file dialogs built from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vaultkeeplib.h"

namespace vk::engine {

// The extension list of a job: the given ";"-separated list, ".vkb" for null
// or an empty text.
std::u16string ExtensionList(const char16_t *extensions);
// Its extensions in order (empty parts left out).
std::vector<std::u16string> SplitExtensions(std::u16string_view list);

// True when the path asks for a dialog: null, empty, or ending in the
// native separator (a folder).
bool AsksForDialog(const char16_t *path);

// The file dialog; `pattern` is its one filter pattern ("*.conf.vkb;*.vkb").
// The dialog opens in `path` when that is a folder, else in the backup
// folder. Returns the chosen path, "" when cancelled (or when the answer
// names a folder).
std::u16string ChooseArchive(VKHWND owner, bool save, const char16_t *path, std::u16string_view title,
                             std::u16string_view description, std::u16string_view pattern);

} // namespace vk::engine

// Filling the selection tree with the files of the installation, and the
// backup page's default choice over it.
#pragma once

#include <string>
#include <string_view>

#include "app/shell/settings.h"
#include "app/tree/tree_items.h"
#include "vaultkeeplib.h"

namespace vk::app {

// The installation folders the tree shows and the default choice looks at,
// each ending in the separator ("" when the installation has none).
struct InstallFolders {
    std::u16string bin, data, config, format, sim, script;
};
// The folders as the library read them (VKGetTalvernDir).
InstallFolders InstallFoldersFromLibrary();

// Inserts a path as a chain of path components ending in a checked file
// leaf. Each component is looked for among the children of the one before it
// (whole name, case ignored) and inserted when missing. A path without a
// separator inserts nothing. Returns the leaf, or null.
VKTreeItem *InsertPath(TreeFill &fill, std::u16string_view path);

// Inserts every entry of `directory` (ending in the separator). A recursive
// walk descends into subfolders (never through symbolic links); a flat walk
// inserts a subfolder as a leaf like a file. A folder that cannot be listed
// adds nothing.
void WalkIntoTree(TreeFill &fill, std::u16string_view directory, bool recursive);

// Clears the tree, gives it the images of `module`, and inserts, checked, the
// files of bin (flat), data (recursive), config (flat) and format (flat),
// each below a top-level item labelled with the folder's path (FolderRoot).
// Folders that add no file get no item.
void FillInstallTree(VKHWND tree, const InstallFolders &folders, VKHMODULE module);

// The default choice: everything unchecked; then in bin, config, format, sim
// and script (in this order) each direct child of the folder's item is checked
// when IsConfigFile accepts its name, unchecked otherwise, and its ancestors
// are marked; finally everything is collapsed but the folders that hold
// checked files (and their ancestors), and the view scrolled to the first
// item.
void ApplyDefaultChoice(VKHWND tree, const InstallFolders &folders, const ItemLists &lists);

} // namespace vk::app

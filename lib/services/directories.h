// The installation folders and the settings derived from them.
//
// Filled once when the library loads, from the registry source: the values of
// the host's driver service key, each a folder ending in the path separator.
// Missing values take their fall-backs; a missing key leaves every folder
// empty. Afterwards the table is only read.
#pragma once

#include <cstdint>
#include <string>

namespace vk::lib {

// The key that holds the folder values (under the local-machine root).
inline constexpr char16_t kInstallationKey[] = u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase";
// Largest value read, in bytes of UTF-16 with its NUL (255 characters).
inline constexpr size_t kDirValueLimitBytes = 512;
// Capacity of a table entry in characters, NUL included.
inline constexpr size_t kDirCapacity = 256;

// Reads the table and derives the settings (load step). Called again by tests
// after they changed the registry source.
void LoadDirectories();

// The folder for a directory code, or null for a code that names none.
const char16_t *TalvernDir(int code);

// DirConfig + "tools.ini": the tool database.
const std::u16string &ToolsIniPath();
// DirConfig + "vaultkeep.ini": the library's settings file.
const std::u16string &SettingsIniPath();
// 3 when [Global] TCP of DirConfig + "WProperties.ini" is non-zero, else 2.
int ToolCategoryCount();

} // namespace vk::lib

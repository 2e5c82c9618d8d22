// Paths of the engine: native folders, stored entry names and keys.
//
// Installation folders end with the native separator, so a folder and a name
// join by concatenation. "Backup.why" keys that name archive entries use '\'
// ("4001\x.ini"); ZIP entry names and native paths use '/'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::engine {

// '/' -> '\' (a stored key) and '\' -> '/' (an entry name or native path).
std::u16string ToStoredKey(std::u16string_view path);
std::u16string ToNative(std::u16string_view path);

// The text after the last separator ('/' or '\'); the whole text when none.
std::u16string_view FileName(std::u16string_view path);
// The extension from the last '.' of the file name ("" when none).
std::u16string_view Extension(std::u16string_view path);
// True when the path holds a folder part (a '/' or '\').
bool HasFolder(std::u16string_view path);

// The home folder of an item type or file class (ends in '/'; "" when the
// installation does not define it).
std::u16string HomeFolder(int32_t type);

// <work folder><class>/<relative name>
std::u16string WorkPath(std::u16string_view workFolder, int32_t fileClass, std::u16string_view relative);

// An unpacked entry of an archive, found as archive entry names are compared:
// without regard to letter case. <folder><relative> when a file or folder of
// that exact name exists or none matches; otherwise the path of the entry
// whose parts match, letter case aside (the first in name order).
std::u16string FindEntry(std::u16string_view folder, std::u16string_view relative);
// FindEntry for <class>/<relative name> below the work folder.
std::u16string FindWorkEntry(std::u16string_view workFolder, int32_t fileClass, std::u16string_view relative);

} // namespace vk::engine

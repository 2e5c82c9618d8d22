// Entry names inside the archive and the checks that keep extraction inside
// its destination folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vk::arc {

// An entry name taken apart for extraction.
struct EntryPath {
    bool safe = false;               // false: the entry must be refused
    bool directory = false;          // the name ends in '/' or '\'
    std::vector<std::string> parts;  // UTF-8 parts without "" and "."
};

// Splits a stored name at '/' and '\' and refuses names that could reach
// outside the destination: empty names, absolute names ("/x", "\x", "\\host"),
// drive names ("C:x", "C:\x") and any ".." part.
EntryPath ParseEntryName(std::string_view name);

// The parts joined with '/' (and a trailing '/' for a folder).
std::string JoinEntryPath(const EntryPath &path);

// Unix file types in the upper half of a ZIP entry's external attributes.
inline constexpr uint32_t kUnixTypeMask = 0170000;
inline constexpr uint32_t kUnixRegular = 0100000;
inline constexpr uint32_t kUnixDirectory = 0040000;
inline constexpr uint32_t kUnixSymlink = 0120000;
// MS-DOS attribute bits in the lower byte.
inline constexpr uint32_t kDosReadOnly = 0x01;
inline constexpr uint32_t kDosDirectory = 0x10;

// True when the external attributes mark anything but a plain file or folder
// (a symbolic link, a device, a pipe or a socket): such entries are refused.
bool IsSpecialEntry(uint32_t externalAttributes);

// External attributes stored for a file or folder of ours: the Unix type and
// permission bits in the upper half (a file keeps its own permissions, so a
// private file comes back private), the MS-DOS read-only bit in the lower.
uint32_t FileAttributes(uint32_t permissions);
uint32_t FolderAttributes();

// The permission bits to give an unpacked file, from its entry's external
// attributes; 0 when the entry carries none (made on another system, or
// without Unix attributes): the file then gets the default permissions.
uint32_t UnpackedPermissions(uint8_t madeBy, uint32_t externalAttributes);

} // namespace vk::arc

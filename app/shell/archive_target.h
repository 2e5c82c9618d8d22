// Where a configuration backup writes its archive: the name it gets when the
// user named only a folder (or nothing, on the command line), and the check
// of the target folder before a run starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::app {

// The archive path a run uses for what the user gave. Empty: `defaultName`
// (the name the page proposes). A path that names an existing folder, or ends
// in the separator: that folder with the file name of `defaultName`. Anything
// else stays as it is (the extension rule comes after).
std::u16string ArchiveInFolder(std::u16string_view given, std::u16string_view defaultName);

// What is wrong with the folder the archive goes to, in the system's own
// words, or "" when nothing is: the folder does not exist, is not a folder, or
// a file cannot be created in it. A relative archive path is taken in the
// current folder.
std::u16string TargetFolderProblem(std::u16string_view archivePath);

// The free space of the file system that holds the archive's folder; false
// when it cannot be found out.
bool TargetFreeSpace(std::u16string_view archivePath, uint64_t &freeBytes);

} // namespace vk::app

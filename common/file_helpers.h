// File and folder helpers shared by both deliverables: existence test,
// folder creation with missing parents, empty text files, and the silent
// deletion of a file, a folder with its contents, or a wildcard pattern.
//
// Null paths count as empty.
#pragma once

#include <string_view>

namespace vk {

// True when the path names an existing file or folder.
bool FileExists(const char16_t *path);

// Creates the folder and any missing parents. True when the folder exists
// afterwards (also when it existed before); false when it cannot be made or
// the path names something that is not a folder.
bool CreateDirectoryTree(const char16_t *path);

// Creates the file, or truncates it to 0 bytes. Failure is ignored.
void CreateEmptyTextFile(const char16_t *path);

// Deletes prefix + name, silently and without confirmation: a file, a folder
// with everything in it (symbolic links are removed, never followed), or every
// entry of a folder that matches a wildcard pattern ('*', '?') in the last
// component. A path that does not exist is not an error.
//
// Refuses (returns false, deleting nothing) an empty name, a path whose last
// component is empty, "." or "..", and any path or pattern folder that is the
// file-system root. Returns false as well when something that existed could
// not be deleted; true otherwise.
bool ShellDelete(const char16_t *name, const char16_t *prefix);

// Wildcard match of a file name: '*' any run of characters, '?' one
// character; letters compare without regard to case.
bool MatchWildcard(std::u16string_view pattern, std::u16string_view name);

} // namespace vk

// What a command-line run tells its caller: the outcome line and, for a run
// that failed, the reason in the system's own words.
#pragma once

#include <string>
#include <string_view>

namespace vk::app {

// Why `path` cannot be opened as an archive: the system's error text (a
// missing file, a folder instead of a file); "" when the file is there.
std::u16string ArchiveMissingReason(std::u16string_view path);

// Why no archive can be written at `archive`: the system's error text for
// its folder (missing, not writable); "" when a file can be made there.
std::u16string FolderUnwritableReason(std::u16string_view archive);

// Prints "vaultkeep: <line>" on standard output, display or not; a failed
// run's line goes to standard error as well, where a caller that keeps only
// the errors finds it.
void PrintOutcome(std::u16string_view line, bool failed);

} // namespace vk::app

// The command words that read or restore an archive without the window:
// "list", "verify" and "restoreall", each with "file ARCHIVE". Each prints on
// standard output and returns the program's exit code.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/ui.h"

namespace vk::app {

// The archive's summary and its items, one per line with the item type and
// what the version policy would do. 0, or 1 with the reason for a file that
// is not a usable archive.
int ListArchive(VKHWND owner, std::u16string_view path);

// Every entry unpacks (CRC checked), "Backup.why" reads, and every item it
// records as backed up has its entry. 0 when sound, 1 otherwise.
int VerifyArchive(VKHWND owner, std::u16string_view path);

// Restores every item the version policy allows, unattended, with the undo
// archive; prints the counts. 0, 3 when items failed, 1 when nothing could
// be restored (no usable archive, or the installed versions could not be
// saved).
int RestoreWholeArchive(VKHWND owner, std::u16string_view path);

} // namespace vk::app

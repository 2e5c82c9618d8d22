// The configuration backup run: Begin on the backup page, or "configbackup"
// on the command line. Every checked file of the page's tree goes to the
// library's backup job; the archive name gets the extension ".conf.vkb" and
// is recorded as [Backup] ConfigTo before the library is called.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/ui.h"

namespace vk::app {

// The run. owner: the window that owns the library's dialogs (the page, or
// the progress dialog of a command-line run). unattended: take `name` as the
// archive (the page's field otherwise) and replace an existing archive.
// True when the archive was written. The status line ends with "Backup
// completed", "Backup canceled" (stopped, or the library did not open the
// job: the user cancelled or was told why), or "Backup failed: no archive was
// written".
bool RunConfigBackup(VKHWND owner, bool unattended, const char16_t *name);

// The extension rule: a path longer than ".conf.vkb" that already ends in it
// (case ignored) stays; any other gets it appended, within 255 characters.
std::u16string WithArchiveExtension(std::u16string_view path);

// The progress procedure handed to the library. Shows the path of every
// file copied, and asks about files that were not backed up while warnings
// are wanted. Always lets messages through and returns 1.
int BackupProgress(int code, intptr_t value, const char16_t *text);

// Whether the item warnings of BackupProgress are shown: true at start, and
// false for good after the first No.
bool &WarningsWanted();

} // namespace vk::app

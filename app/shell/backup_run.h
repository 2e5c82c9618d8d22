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
// True when the archive was written.
//
// Before anything is written: an empty selection is confirmed ("Nothing is
// selected...", interactive runs only), an archive named by its folder only
// (or not at all, on the command line) gets the page's default file name,
// and the target folder is checked (exists, writable, room for a rough
// estimate); a problem is told in one box with the system's reason.
//
// The status line starts each run cleared and ends with "Backup completed:
// <files>, <size>, in <archive>" (CompletedStatus), "Backup canceled"
// (stopped, or the library did not open the job: the user cancelled or was
// told why), or "Backup failed: no archive was written (<reason>)". The bar
// covers the copy and the archive phase by bytes (backup_meter.h) and stays
// full after a completed run.
bool RunConfigBackup(VKHWND owner, bool unattended, const char16_t *name);

// "Backup completed: 3,027 files, 98 MB, in <archive>"; a long archive path
// shows as ".../<file name>".
std::u16string CompletedStatus(int files, uint64_t bytes, std::u16string_view archive);

// The extension rule: a path longer than ".conf.vkb" that already ends in it
// (case ignored) stays; any other gets it appended, within 255 characters.
std::u16string WithArchiveExtension(std::u16string_view path);

// The progress procedure handed to the library. Shows the path of every
// file copied, moves the bar through the archive phase, and asks about files
// that were not backed up while warnings are wanted. A failed copy gets one
// box only: the library's own, which names the reason (answer 1), and none
// once warnings are off (answer 0). Always lets messages through.
int BackupProgress(int code, intptr_t value, const char16_t *text);

// Whether the item warnings of BackupProgress are shown: true at start, and
// false for good after the first No.
bool &WarningsWanted();

} // namespace vk::app

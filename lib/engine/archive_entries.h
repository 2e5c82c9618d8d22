// The archive of a job, entry by entry.
//
// A backup collects its archive from VKBackupInit to VKBackupClose: each file
// item hands its file to arczip32 at the call (read once, deflated on the
// other cores), an append takes the old archive's entries as they are stored,
// and the close adds what the work folder holds (the generated entries:
// "Backup.why", the main properties copy, the tool and service files) and
// writes the archive. A restore keeps its archive open from VKRestoreInit to
// VKRestoreClose and unpacks each file item's entry when the item asks for
// it; only what the job itself reads is unpacked into the work folder.
#pragma once

#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

// Starts collecting the backup's archive (once per job; a no-op when it is
// already open). An append that keeps entries takes every entry of the
// archive at the job's archive path first. False when it cannot be started.
bool OpenArchiveWriter(BackupJob &job);
// True when the backup's archive has an entry of that name (with '/').
bool ArchiveHasEntry(BackupJob &job, std::u16string_view entry);
// Reads `source` now and adds it as `entry`. False (with the platform's last
// error) when it cannot be read or the archive cannot take it.
bool AddFileEntry(BackupJob &job, std::u16string_view entry, std::u16string_view source);

// Opens the restore's archive for reading entry by entry; false when the file
// is no archive that can be read.
bool OpenArchiveReader(BackupJob &job);
// True when the restore's open archive holds a file entry of that name.
bool ArchiveHoldsEntry(BackupJob &job, std::u16string_view entry);
// Unpacks `entry` into a new file at `path`; false (with the platform's last
// error, nothing left at `path`) when it cannot. A restore item's unpacking
// stops with the job's cancel flag; a preview's (stoppable false) does not,
// since the flag of a caller between runs may stay set.
bool ExtractEntry(BackupJob &job, std::u16string_view entry, std::u16string_view path, bool stoppable = true);

// An entry name as the job's set of damaged entries holds it: '/'-separated
// and folded to lower case.
std::u16string FoldedEntryName(std::u16string_view entry);
// True when the restore's opening check found `entry` damaged.
bool EntryDamaged(const BackupJob &job, std::u16string_view entry);

// Ends the job's archive session: an archive being collected is discarded
// (the file at the archive path stays as it was), a read archive is closed.
void CloseArchiveSession(BackupJob &job);
// True while the job has an archive session of either kind.
bool HasArchiveSession(const BackupJob &job);

} // namespace vk::engine

// The binding to the archive library arczip32: zipping a job's work folder
// into its archive, unpacking an archive into a work folder, the library's
// events turned into the caller's progress codes, and the progress window
// shown for archives of more than 100 entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/engine/job.h"

namespace vk::engine {

// Archives with more entries than this get the progress window (with
// VKF_PROGRESS_WINDOW).
inline constexpr intptr_t kProgressWindowThreshold = 100;

// Zips the work folder into the archive (ordinals 2, 8, 4): pending ini
// writes of the folder reach the disk first. The archive file is replaced in
// one step only when the new archive is complete; nonzero then, else 0 and
// the old file is as it was.
int ZipWorkFolder(BackupJob &job);

// Unpacks the archive into the work folder (ordinals 5, 6, 7); nonzero when
// the archive was unpacked.
int UnpackArchive(BackupJob &job);

// Opens the archive of a restore for its items (archive_entries): unpacks
// "Backup.why" into the work folder and announces every entry through the
// events as an unpacking does (codes 1 to 5; a refused entry gets the
// "Problem unzipping" warning), without unpacking anything else. Nonzero
// when the archive can be read; the archive stays open for the items.
int OpenArchiveForItems(BackupJob &job);
// Unpacks the named entries of the open archive into the work folder (names
// the archive does not hold are passed over); false when one cannot be.
bool UnpackEntries(BackupJob &job, const std::vector<std::u16string> &entries);

// Entries the last unpacking could not unpack (event 4).
int LastUnpackRefusals();
// True when the last unpacking could not unpack the archive's "Backup.why".
bool LastUnpackLostMetadata();

// Why UnpackArchive refused an archive before unpacking anything.
enum class UnpackRefusal {
    None,
    NoRoom, // its declared size does not fit the free space of the temporary folder
};
UnpackRefusal LastUnpackRefusal();

// Room kept free in the temporary folder when an archive is unpacked there.
inline constexpr uint64_t kUnpackMarginBytes = 64ull << 20;

// True when the file may be a ZIP archive: it starts with a ZIP signature, or
// it cannot be read at all (which proves nothing). A file that fails to
// unpack and may be an archive is a damaged archive, not a plain file.
bool MayBeZipArchive(std::u16string_view path);

// "Problem unzipping <name> to temp folder" (a warning owned by `owner`).
void ShowCannotUnpack(VKHWND owner, const char16_t *name);

// The event procedure handed to arczip32 (context: the job).
int ArchiveEvent(int event, void *context, intptr_t value);

// The process-wide progress window and its bar (null when none is shown).
VKHWND ProgressWindow();
VKHWND ProgressBar();

} // namespace vk::engine

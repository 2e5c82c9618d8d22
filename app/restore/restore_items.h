// The restore of chosen items of an open archive, with an undo: before the
// first item overwrites anything, the installed versions of everything about
// to be replaced are saved with the system's own backup job into an ordinary
// archive "pre-restore-<date>.conf.vkb" in the backup folder. Restoring that
// archive (the program opens archives of this name with VKF_ANY_VERSION)
// puts the installation back as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/restore/archive_contents.h"

namespace vk::app {

struct RestoreOutcome {
    int restored = 0;
    int skipped = 0; // kept by the version policy, skipped by a rule, or not reached after a stop
    int failed = 0;
    bool stopped = false;
    std::u16string undoArchive; // "" when nothing had to be saved
    std::u16string report;      // the results report ("" when none was written)
    std::u16string problem;     // why nothing was restored ("" when the run went ahead)
    // Files the restore put where none was installed: the undo archive cannot
    // hold them, so the report lists them for removal by hand.
    std::vector<std::u16string> added;
};

// Called after every item: items done, items in all, the item's label.
using RestoreStep = void (*)(size_t done, size_t total, std::u16string_view label);

// Restores items[chosen...] of `contents` (in that order) and closes its job.
// The undo archive goes into backupFolder. owner owns the library's
// questions; stopFlag (the program's) stops between items.
RestoreOutcome RestoreChosenItems(ArchiveContents &contents, const std::vector<size_t> &chosen,
                                  std::u16string_view backupFolder, VKHWND owner, int32_t *stopFlag,
                                  RestoreStep step);

// "<backup folder>pre-restore-<yyyy-mm-dd-hhmmss>.conf.vkb", made unique with
// "-2", "-3", ... when one by that name exists.
std::u16string UndoArchivePath(std::u16string_view backupFolder);
// Whether a path names an undo archive (its file name starts "pre-restore-").
bool IsUndoArchive(std::u16string_view path);

// The end status: "Restore completed: 3 restored, 1 skipped, 0 failed", the
// undo archive and the report; or why nothing was restored.
std::u16string OutcomeText(const RestoreOutcome &outcome);

} // namespace vk::app

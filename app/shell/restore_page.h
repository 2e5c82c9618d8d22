// The configuration restore page (template 140), the second tab of the main
// dialog: "Restore from" with Browse, the chosen archive's summary, the
// checkable tree of what it holds (Files by home folder, Settings, Services,
// Tools; each file with the version policy's view of its installed copy),
// Select all, Clear and Stop. Begin on the main dialog restores the checked
// items with an undo archive; the status line names the counts, the undo
// archive and the report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/restore/archive_contents.h"
#include "app/restore/restore_items.h"
#include "platform/ui/ui.h"

namespace vk::app {

struct RestorePageState {
    ArchiveContents contents; // the chosen archive, its job open until Begin
    RestoreOutcome last;      // the outcome of the last restore
};
RestorePageState &RestorePage();

// Creates the page as a hidden child of the main dialog.
VKHWND CreateRestorePage(VKHWND mainDialog);
intptr_t RestorePageProc(VKHWND page, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Opens `path` (as the field and Browse do): the summary, or the reason it
// cannot be used, and the tree. True when the archive can be restored from.
bool ChooseRestoreArchive(VKHWND page, std::u16string_view path);
// Browse: the Open dialog in the remembered RestoreFrom folder; a chosen
// archive is opened and its folder remembered.
void BrowseForRestoreArchive(VKHWND page);
// Select all / Clear: every item checked / unchecked.
void CheckAllRestoreItems(VKHWND page, bool checked);
// The indexes (into the contents' items) of the checked leaves.
std::vector<size_t> CheckedRestoreItems(VKHWND page);
// Begin on this page: restores the checked items. False when there was
// nothing to do (no archive, nothing checked).
bool RunRestorePage(VKHWND page);

// The tree text of an item: its label, and for a file the installed copy's
// state ("units.ini (installed: older)").
std::u16string RestoreItemText(const RestoreItem &item);

} // namespace vk::app

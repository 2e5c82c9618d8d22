// The configuration backup page (template 107): the archive to write, the
// comment, and in the advanced view the checkable tree of the installation's
// files with the default choice and Clear Selections.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/shell/app_state.h"
#include "platform/fs/fs.h"
#include "platform/ui/ui.h"

namespace vk::app {

inline constexpr char16_t kArchiveExtension[] = u".conf.vkb";
inline constexpr char16_t kDefaultComment[] = u"Talvern 7 Backup";

struct BackupPageState {
    bool advanced = false; // the advanced controls are shown
    char16_t defaultArchiveName[kPathChars] = {};
    // The CD target of the last run (the critical backup reads them too).
    // This platform has no CD-burning staging folder, so they stay clear.
    bool cdFlag = false;
    char16_t cdTarget[kPathChars] = {};
};
BackupPageState &PageState();

// Creates the page as a child of the main dialog (creation parameter 1).
VKHWND CreateBackupPage(VKHWND mainDialog);
intptr_t BackupPageProc(VKHWND page, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// "<dirBackup>tal7cfg<yyMMdd>.conf.vkb", at most 255 characters.
std::u16string DefaultArchiveName(std::u16string_view dirBackup, const fs::LocalTime &now);

// The file dialogs' filter for configuration archives ("*.conf.vkb"), as a
// list of NUL-terminated texts closed by one more NUL.
std::u16string ArchiveFileFilter();

// Shows or hides the advanced controls as the advanced flag says; the button
// reads "Advanced <<" while they are shown and "Advanced >>" otherwise.
void ShowAdvancedControls(VKHWND page);
// Advanced: toggles the flag and the controls.
void ToggleAdvanced(VKHWND page);
// Browse: hides the advanced controls and lets the user pick the archive.
void BrowseForArchive(VKHWND page);
// Configuration Backup Defaults: the default choice again.
void ApplyPageDefaults(VKHWND page);
// Clear Selections: unchecks everything.
void ClearPageSelections(VKHWND page);
// Label 1068 with the count and size of the checked files:
// "Select files to back up (57 files, 1.2 MB)".
void ShowSelectionSize(VKHWND page);

} // namespace vk::app

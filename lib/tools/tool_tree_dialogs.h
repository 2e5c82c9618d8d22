// The dialogs of tool transfers: the tool selection of a service (dialog
// 111, a checkable tool tree), the modeless "Copying" window (108), the
// overwrite question (109) and "Import serial number" (114). tool_dialogs.cpp
// hands them to the tool and service items through ToolDialogHooks().
#pragma once

#include <string>

#include "lib/engine/job.h"
#include "vaultkeeplib.h"

namespace vk::tools {

// Shows the service's tools in the selection dialog, owned by `owner`:
// entries the job has transferred already are left out, the entries the
// service names are checked. OK hands every checked entry to the job as a
// tool item (VKBackup with the tools file, or VKRestore into the installed
// tools file) and returns 1; nothing to list returns 1 without a window;
// Cancel or close returns 0.
int SelectServiceTools(BackupJob &job, VKHWND owner, const std::u16string &service, const std::u16string &servicesFile,
                       const std::u16string &toolsFile, bool restore);

// The two halves of SelectServiceTools, for tests and pictures that run the
// dialog themselves: the selection state, and the procedure of dialog 111.
void BeginToolSelection(BackupJob &job, const std::u16string &service, const std::u16string &servicesFile,
                        const std::u16string &toolsFile, bool restore);
intptr_t ToolSelectionProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// The Copying window with "Copying <section>"; opening replaces one that is
// open. Closing when none is open does nothing.
void OpenCopyingWindow(VKHWND owner, const std::u16string &section);
void CloseCopyingWindow();
VKHWND CopyingWindow();

// The overwrite question with `text`: 103, 6, 7, 104, or 2 (Escape).
int AskToolOverwrite(VKHWND owner, const std::u16string &text);

// "Import serial number" over the job's owner window: 1 with targetSerial
// set to the confirmed value (at most 38 characters); 0 for Skip, and for
// Cancel, which also sets the job's cancel flag. A value equal to a model of
// the tool in destFile is refused with a warning and the dialog stays.
int ImportSerialNumber(BackupJob &job, const std::u16string &tool, const std::u16string &destFile, bool hasSerialList,
                       std::u16string &targetSerial);

} // namespace vk::tools

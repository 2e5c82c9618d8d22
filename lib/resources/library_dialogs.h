// Dialog templates of the library: the "file exists" question of a backup,
// the progress window of the archive binding and the file-copy error dialog.
#pragma once

#include <cstdint>

#include "platform/module/resources.h"

namespace vk::lib {

// "Backup file exists" (append, delete or cancel): text 8161, buttons 6, 7, 2.
inline constexpr int32_t kDialogArchiveExists = 113;
inline constexpr int32_t kArchiveExistsText = 8161;
inline constexpr int32_t kArchiveExistsAppend = 6;
inline constexpr int32_t kArchiveExistsDelete = 7;
inline constexpr int32_t kArchiveExistsCancel = 2;

// File-copy error: a read-only text field and an Ok button.
inline constexpr int32_t kDialogCopyError = 118;
inline constexpr int32_t kCopyErrorText = 132;
inline constexpr int32_t kCopyErrorOk = 1;

// Progress window of zipping and unpacking: one progress bar.
inline constexpr int32_t kDialogProgress = 133;
inline constexpr int32_t kProgressBar = 1002;

// Tool selection of a service: a resizable dialog with a checkable tree.
inline constexpr int32_t kDialogToolSelection = 111;
inline constexpr int32_t kToolSelectionTree = 112;
// The modeless "Copying" window of a tool item.
inline constexpr int32_t kDialogCopying = 108;
inline constexpr int32_t kCopyingText = 105;
// The question whether an existing tool entry is overwritten.
inline constexpr int32_t kDialogToolOverwrite = 109;
inline constexpr int32_t kToolOverwriteText = 105;
inline constexpr int32_t kToolOverwriteAll = 103;
inline constexpr int32_t kToolOverwriteNone = 104;
// "Import serial number": the old serial number and an edit for the new one.
inline constexpr int32_t kDialogImportSerial = 114;
inline constexpr int32_t kImportSerialFromLabel = 3528;
inline constexpr int32_t kImportSerialToLabel = 3360;
inline constexpr int32_t kImportSerialOld = 115;
inline constexpr int32_t kImportSerialNew = 116;
inline constexpr int32_t kImportSerialSkip = 117;

// Adds the templates above to the library's module.
void AddLibraryDialogs(VKModule &module);

} // namespace vk::lib

// The program's dialog templates and their control ids: the main dialog, the
// configuration backup page and the progress dialog of command-line runs.
#pragma once

#include <cstdint>

struct VKModule;

namespace vk::app {

inline constexpr int32_t kDialogMain = 102;
inline constexpr int32_t kDialogBackupPage = 107;
inline constexpr int32_t kDialogRunProgress = 137;
inline constexpr int32_t kDialogRestorePage = 140;
inline constexpr int32_t kIconMain = 106;

// Main dialog (also the status line and bar ids of the progress dialog).
inline constexpr int32_t kMainTab = 1000;
inline constexpr int32_t kStatusLine = 1015;
inline constexpr int32_t kBeginButton = 1;
inline constexpr int32_t kCloseButton = 1002;
inline constexpr int32_t kProgressBar = 1001;

// Backup page.
inline constexpr int32_t kOptionsGroup = 3564;
inline constexpr int32_t kBackUpToLabel = 1051;
inline constexpr int32_t kArchiveEdit = 1054;
inline constexpr int32_t kBrowseButton = 1062;
inline constexpr int32_t kCommentLabel = 1053;
inline constexpr int32_t kCommentEdit = 1056;
inline constexpr int32_t kAdvancedButton = 1070;
inline constexpr int32_t kSelectLabel = 1068;
inline constexpr int32_t kFileTree = 1065;
inline constexpr int32_t kDefaultsButton = 1066;
inline constexpr int32_t kClearButton = 1067;

// Restore page.
inline constexpr int32_t kRestoreFromLabel = 1101;
inline constexpr int32_t kRestoreArchiveEdit = 1102;
inline constexpr int32_t kRestoreBrowseButton = 1103;
inline constexpr int32_t kRestoreSummary = 1104;
inline constexpr int32_t kRestoreTree = 1105;
inline constexpr int32_t kRestoreSelectAll = 1106;
inline constexpr int32_t kRestoreClear = 1107;
inline constexpr int32_t kRestoreStopButton = 1108;

// Position of the backup page inside the main dialog, in dialog units.
inline constexpr int kPageX = 10;
inline constexpr int kPageY = 20;

// Adds the templates to the module (those it already has are replaced).
void AddAppDialogs(VKModule &module);

} // namespace vk::app

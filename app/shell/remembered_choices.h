// Choices the program remembers between runs: the folder of the last archive
// restored from ([Backup] RestoreFrom of the host's properties file), the
// folder the backup page starts in (the last archive written, ConfigTo, else
// BackupTo), and the backup tree's last selection (section BackupSelection of
// the program's settings file vaultkeep.ini, "1", "2", ... = file path).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui.h"

namespace vk::app {

// [Backup] RestoreFrom = folder, also into the process-wide buffer.
bool RememberRestoreFrom(const char16_t *propertiesPath, std::u16string_view folder);

// The folder "Back up to" starts in: the folder of [Backup] ConfigTo when it
// is set, else `backupTo` (the remembered BackupTo). Ends in a separator.
std::u16string StartingBackupFolder(const char16_t *propertiesPath, std::u16string_view backupTo);

// The backup tree's selection: replaced as a whole; read back in order.
bool SaveBackupSelection(const char16_t *settingsPath, const std::vector<std::u16string> &files);
std::vector<std::u16string> ReadBackupSelection(const char16_t *settingsPath);

// Checks exactly the files of `files` that the tree holds (everything else
// unchecked, the folders above them partly checked); false when none of them
// is in the tree, and the tree is left as it was.
bool ApplyBackupSelection(VKHWND tree, const std::vector<std::u16string> &files);

} // namespace vk::app

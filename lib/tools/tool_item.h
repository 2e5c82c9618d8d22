// The tool item of a backup or restore (item type 1001): one serial-numbered
// tool or one model of a tool, with its sub-tools and the files its sections
// name, copied between the installed tool database and the archive's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::tools {

// Item flags of a tool item (what to copy).
inline constexpr uint32_t ToolItemWithModel = 0x1000; // also copy the entry's model
inline constexpr uint32_t ToolItemSerial = 0x2000;    // the identifier is a serial number
inline constexpr uint32_t ToolItemModel = 0x4000;     // the identifier is a model
inline constexpr uint32_t kToolFlagsSerial = 0x7000;  // as the selections pass them
inline constexpr uint32_t kToolFlagsModel = 0x5000;

// Backup: from `path` (the installed tools.ini when null) into the job's
// tools file (made on first use). Restore: from the job's tools file into
// `path` (the installed tools.ini when null); the result is recorded under
// "T-id" in "ToolRestore". StatusOk, StatusSkipOne or StatusSkipAll.
int BackupToolItem(BackupJob &job, uint32_t itemFlags, const char16_t *tool, const char16_t *id,
                   const char16_t *path);
int RestoreToolItem(BackupJob &job, uint32_t itemFlags, const char16_t *tool, const char16_t *id,
                    const char16_t *path);

// The archive's tools file of a backup job: set to "<work folder><name>.wcf"
// and created empty when the job has none yet.
const std::u16string &BackupToolsFile(BackupJob &job);

// Backs up or restores one file named by a tool or service section (a file
// item of the given class); the item's status. `handled` receives the path
// of the file handled (the installed file in a backup, the unpacked copy in
// a restore).
int TransferNamedFile(BackupJob &job, int32_t fileClass, uint32_t itemFlags, std::u16string_view name,
                      std::u16string_view label, std::u16string *handled = nullptr);

} // namespace vk::tools

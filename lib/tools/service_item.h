// The service item of a backup or restore (item type 1000): the service's
// section of the service database, the files it names and the tools it uses.
#pragma once

#include <cstdint>
#include <string>

#include "lib/engine/job.h"

namespace vk::tools {

// Backup: from `path` (the installed service database) into the job's
// services file ("<work folder><name>.wsv" when it has none yet), tools from
// the installed tools.ini. Restore: from the job's services file into
// `path`, tools from the job's tools file. itemFlags and itemExtraFlags hold
// for the duration of the item. The result (0, or 1 when the tool selection
// was cancelled) is recorded under the service name in "ServiceBk" or
// "ServiceRestore".
int BackupServiceItem(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                      const char16_t *path);
int RestoreServiceItem(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                       const char16_t *path);

// The tools of a service travel with it: in a quiet job (or without the
// selection dialog) every serial number and model of every tool the service
// names, those already transferred excepted; otherwise the entries the user
// checks. 0, or 1 when the user cancelled the selection.
int ToolsOfService(BackupJob &job, VKHWND owner, const std::u16string &service, const std::u16string &servicesFile,
                   const std::u16string &toolsFile, bool restore);

// The automatic transfer of the tools a service names (no window).
void TransferServiceToolsQuietly(BackupJob &job, const std::u16string &service, const std::u16string &servicesFile,
                                 const std::u16string &toolsFile, bool restore);

} // namespace vk::tools

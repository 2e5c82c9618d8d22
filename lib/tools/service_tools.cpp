// The tools of a service: chosen in the selection dialog, or all of them
// when the job is quiet.
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "lib/tools/service_item.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_dialogs.h"
#include "lib/tools/tool_item.h"
#include "vaultkeeplib.h"

namespace vk::tools {
namespace {

int HandOver(BackupJob &job, bool restore, uint32_t flags, const std::u16string &tool, const std::u16string &id,
             const std::u16string &toolsFile) {
    if (restore)
        return VKRestore(&job, VK_ITEM_TOOL, flags, 0, tool.c_str(), id.c_str(), vk::lib::ToolsIniPath().c_str());
    return VKBackup(&job, VK_ITEM_TOOL, flags, 0, tool.c_str(), id.c_str(), toolsFile.c_str());
}

} // namespace

void TransferServiceToolsQuietly(BackupJob &job, const std::u16string &service, const std::u16string &servicesFile,
                                 const std::u16string &toolsFile, bool restore) {
    for (const ToolEntry &entry : ServiceTools(service, servicesFile)) {
        for (const std::u16string &serial : ReadNumberedList(entry.tool, toolsFile, kListNameChars))
            if (!IsTransferred(&job, EntrySection(entry.tool, serial)))
                HandOver(job, restore, kToolFlagsSerial, entry.tool, serial, toolsFile);
        for (const std::u16string &model : ReadNumberedList(ModelsSection(entry.tool), toolsFile, kListNameChars))
            if (!IsTransferred(&job, EntrySection(entry.tool, model)))
                HandOver(job, restore, kToolFlagsModel, entry.tool, model, toolsFile);
    }
}

int ToolsOfService(BackupJob &job, VKHWND owner, const std::u16string &service, const std::u16string &servicesFile,
                   const std::u16string &toolsFile, bool restore) {
    // What the job wrote so far reaches the files before they are read.
    vk::lib::ProfileWriteString(nullptr, nullptr, nullptr, servicesFile.c_str());
    vk::lib::ProfileWriteString(nullptr, nullptr, nullptr, toolsFile.c_str());
    const auto select = ToolDialogHooks().selectTools;
    if ((job.flags & VKF_QUIET) || !select) {
        TransferServiceToolsQuietly(job, service, servicesFile, toolsFile, restore);
        return 0;
    }
    return select(job, owner, service, servicesFile, toolsFile, restore) == 1 ? 0 : 1;
}

} // namespace vk::tools

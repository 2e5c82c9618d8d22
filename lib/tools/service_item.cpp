// The service item: the service's section, its scripts, presentations and
// extra files, and the tools it uses.
#include "lib/tools/service_item.h"

#include <memory>

#include "common/format.h"
#include "common/memory.h"
#include "lib/engine/file_items.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/metadata.h"
#include "lib/engine/translate_hooks.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_item.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::tools {
namespace {

std::u16string Number(int64_t n) { return vk::text::U16(std::to_string(n)); }

struct BlockDeleter {
    void operator()(char16_t *block) const { vk::FreeBlock(block); }
};

// A version-7 archive counts tool break points in hundreds of this version's
// unit. A product that does not fit keeps the value as copied.
void ScaleToolBreakPoint(const std::u16string &service, const std::u16string &source, const std::u16string &dest) {
    const std::u16string value = ReadWholeValue(service, u"ToolBreakPoint", source);
    if (value.empty()) return;
    int64_t scaled = 0;
    if (__builtin_mul_overflow(ReadInteger(value), int64_t{100}, &scaled)) return;
    vk::lib::ProfileWriteString(service.c_str(), u"ToolBreakPoint", Number(scaled).c_str(), dest.c_str());
}

int ServiceItem(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags, const std::u16string &service,
                const std::u16string &source, const std::u16string &dest, const std::u16string &toolsFile,
                bool restore) {
    // A service without a name has no section to copy.
    if (service.empty()) return StatusFailed;
    vk::engine::ItemFlagScope scope(job, itemFlags, itemExtraFlags);
    {
        std::unique_ptr<char16_t, BlockDeleter> keys(
            vk::lib::ReadProfileAlloc(service.c_str(), nullptr, source.c_str()));
        // A service the source does not hold is not copied: the copy would
        // empty the destination's section and report success.
        if (!keys || keys.get()[0] == 0) {
            vk::engine::WriteMetadata(job, vk::engine::ServiceSection(job), service, Number(StatusFailed).c_str());
            return StatusFailed;
        }
        vk::lib::CopyIniSection(service.c_str(), keys.get(), source.c_str(), dest.c_str());
    }
    // Break points of genuine version-7 archives are in the old unit; archives
    // this system wrote are not, although they carry "7.0" too.
    if (job.translate == &vk::engine::Version7Hook && !vk::engine::CreatedByThisSystem(job))
        ScaleToolBreakPoint(service, source, dest);
    AddFirstFree(kServiceSection, service, dest);

    for (int n = 1;; ++n) {
        const std::u16string device = ReadValue(service, u"Device" + Number(n), source, kEntryChars);
        if (device.empty()) break;
        const std::u16string script = ScriptOfDevice(device);
        if (!script.empty()) TransferNamedFile(job, ScriptClass(script), 0, script, service);
    }
    const std::u16string presentation = ReadValue(service, u"Presentation", source, kEntryChars);
    if (!presentation.empty()) {
        std::u16string handled;
        TransferNamedFile(job, kClassPresentation, 0, presentation + u".prs", service, &handled);
        if (!handled.empty()) {
            const std::u16string header = ReadValue(u"0", u"BHIPresentation", handled, kEntryChars);
            if (!header.empty()) TransferNamedFile(job, kClassPresentation, 0, header + u".bhf", service);
        }
    }
    const std::u16string xy = ReadValue(service, u"XYPresentation", source, kEntryChars);
    if (!xy.empty()) TransferNamedFile(job, kClassPresentation, 0, xy + u".xpt", service);

    int result = ToolsOfService(job, job.owner, service, source, toolsFile, restore);
    vk::engine::ExtraFiles(job, service, source);
    // The service counts as transferred once its section is on disk.
    if (!vk::engine::CommitIniWrites(dest) && result == StatusOk) result = StatusIniFail;
    vk::engine::WriteMetadata(job, vk::engine::ServiceSection(job), service, Number(result).c_str());
    return result;
}

} // namespace

int BackupServiceItem(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                      const char16_t *path) {
    const std::u16string service(vk::text::View(name));
    if (job.servicesPath.empty()) job.servicesPath = job.workFolder + job.name + u".wsv";
    return ServiceItem(job, itemFlags, itemExtraFlags, service, std::u16string(vk::text::View(path)),
                       job.servicesPath, vk::lib::ToolsIniPath(), false);
}

int RestoreServiceItem(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                       const char16_t *path) {
    const std::u16string service(vk::text::View(name));
    const std::u16string dest(vk::text::View(path));
    if (dest.empty()) {
        // Nowhere to put the service: recorded as failed, nothing written.
        vk::engine::WriteMetadata(job, vk::engine::kServiceRestore, service, Number(StatusFailed).c_str());
        return StatusFailed;
    }
    return ServiceItem(job, itemFlags, itemExtraFlags, service, job.servicesPath, dest, job.toolsPath, true);
}

} // namespace vk::tools

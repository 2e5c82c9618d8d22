#include "lib/engine/metadata.h"

#include "common/memory.h"
#include "lib/services/profile.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

std::u16string Number(int64_t n) { return vk::text::U16(std::to_string(n)); }

} // namespace

const char16_t *FileSection(const BackupJob &job) { return IsBackup(job) ? kFileBk : kFileRestore; }
const char16_t *IniSection(const BackupJob &job) { return IsBackup(job) ? kIniBk : kIniRestore; }
const char16_t *ServiceSection(const BackupJob &job) { return IsBackup(job) ? kServiceBk : kServiceRestore; }
const char16_t *ToolSection(const BackupJob &job) { return IsBackup(job) ? kToolBk : kToolRestore; }

void RecordFileResult(BackupJob &job, std::u16string_view key, int status, int32_t fileClass, const char16_t *label) {
    std::u16string value;
    if (label) {
        value = Number(StatusDescribed) + u":" + std::u16string(vk::text::View(label)) + u" - " +
                std::u16string(vk::text::View(VKStatusToText(status))) + u"," + Number(fileClass);
    } else {
        value = Number(status) + u"," + Number(fileClass);
    }
    WriteMetadata(job, FileSection(job), key, value.c_str());
}

void RecordIniResult(BackupJob &job, int status, int32_t type, std::u16string_view section, const char16_t *key) {
    std::u16string value = Number(status) + u"," + Number(type) + u"," + std::u16string(section);
    if (key) value += u"," + std::u16string(vk::text::View(key));
    vk::lib::AddNumberedEntry(IniSection(job), value.c_str(), job.metadataPath.c_str());
}

std::u16string ReadMetadata(const BackupJob &job, std::u16string_view section, std::u16string_view key) {
    const std::u16string s(section), k(key);
    char16_t *value = vk::lib::ReadProfileAlloc(s.c_str(), k.c_str(), job.metadataPath.c_str());
    std::u16string out(vk::text::View(value));
    vk::FreeBlock(value);
    return out;
}

bool WriteMetadata(BackupJob &job, std::u16string_view section, std::u16string_view key, const char16_t *value) {
    if (job.metadataPath.empty()) return false;
    const std::u16string s(section), k(key);
    return vk::lib::ProfileWriteString(s.c_str(), k.c_str(), value, job.metadataPath.c_str());
}

bool CreatedByThisSystem(const BackupJob &job) {
    return vk::text::EqualNoCase(ReadMetadata(job, kUtilitySection, kCreatedByKey), kCreatedByValue);
}

} // namespace vk::engine

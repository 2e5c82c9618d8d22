// "ExtraExternalFile<n>" lists: further files named by a tool or service
// section, each "path" or "path,class". An entry without a class keeps the
// class of the entry before it; the first class is 4002 (tables and lists).
#include <memory>
#include <string>

#include "common/format.h"
#include "common/memory.h"
#include "lib/engine/file_items.h"
#include "lib/services/profile.h"
#include "lib/services/status.h"

namespace vk::engine {
namespace {

constexpr char16_t kExtraKeyPrefix[] = u"ExtraExternalFile";
constexpr int32_t kFirstExtraClass = 4002;
constexpr size_t kKeyChars = 64;

struct BlockDeleter {
    void operator()(char16_t *block) const { vk::FreeBlock(block); }
};

} // namespace

int ExtraFiles(BackupJob &job, std::u16string_view section, std::u16string_view iniFile) {
    const std::u16string sectionName(section);
    const std::u16string file(iniFile);
    int32_t fileClass = kFirstExtraClass;
    int status = StatusOk;
    for (int n = 1; n > 0; ++n) {
        char16_t key[kKeyChars];
        vk::FormatBounded(key, kKeyChars, u"%s%d", kExtraKeyPrefix, n);
        std::unique_ptr<char16_t, BlockDeleter> block(
            vk::lib::ReadProfileAlloc(sectionName.c_str(), key, file.c_str()));
        if (!block || block.get()[0] == 0) break;
        std::u16string value(block.get());
        const size_t comma = value.find(u',');
        if (comma != std::u16string::npos) {
            fileClass = vk::lib::StatusOfValue(std::u16string_view(value).substr(comma + 1));
            value.resize(comma);
        }
        // Blanks before the comma are not part of the name.
        while (!value.empty() && (value.back() == u' ' || value.back() == u'\t')) value.pop_back();
        status = IsBackup(job) ? BackupFileItem(job, fileClass, 0, 0, value, nullptr, sectionName.c_str())
                               : RestoreFileItem(job, fileClass, 0, 0, value, nullptr, sectionName.c_str());
    }
    return status;
}

} // namespace vk::engine

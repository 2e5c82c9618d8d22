#include "lib/engine/translate_hooks.h"

#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "platform/text/text.h"

namespace vk::engine {

int PassThroughHook(BackupJob *, int32_t, uint32_t, uint32_t, const char16_t *, const char16_t *, const char16_t *) {
    return 0;
}

int Version7Verdict(int32_t type, std::u16string_view destination) {
    if (type >= 2000 && type <= 2002) return StatusNotTranslated;
    if (type == 2003 || type == 2004 || type == 2999 || type == 3999 || type == 5999) {
        if (vk::text::EqualNoCase(FileName(destination), kVersion7SkipFile)) return StatusSkipOne;
    }
    return 0;
}

int Version7Hook(BackupJob *job, int32_t type, uint32_t, uint32_t, const char16_t *, const char16_t *text2,
                 const char16_t *) {
    if (!job) return 0;
    const int verdict = Version7Verdict(type, vk::text::View(text2));
    if (verdict == StatusNotTranslated) {
        std::u16string value = u"14:Binary files not restored.  Not compatible with new version.,";
        value += vk::text::U16(std::to_string(type));
        WriteMetadata(*job, kFileRestore, vk::text::View(text2), value.c_str());
    }
    return verdict;
}

} // namespace vk::engine

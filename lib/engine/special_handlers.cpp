// Files whose restore does more than a copy, looked up by file name.
#include <array>

#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

// vars.ini: the variable definitions are installed after the copy; the item
// counts as restored whatever the copy gave (its failure is already reported
// through progress code 9 and the report flag).
int RestoreVariableDefinitions(BackupJob &job, std::u16string_view source, std::u16string_view destination) {
    CopyJobFile(job, source, destination);
    InstallVarDefs();
    return StatusOk;
}

struct Handler {
    const char16_t *fileName;
    SpecialHandler handler;
};

constexpr std::array<Handler, 1> kHandlers{{
    {u"vars.ini", RestoreVariableDefinitions},
}};

} // namespace

SpecialHandler FindSpecialHandler(std::u16string_view fileName) {
    for (const Handler &entry : kHandlers)
        if (vk::text::EqualNoCase(fileName, entry.fileName)) return entry.handler;
    return nullptr;
}

} // namespace vk::engine

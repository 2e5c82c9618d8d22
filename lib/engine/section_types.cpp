// The ini section types (item codes 1003 to 1023) and their names.
#include <array>

#include "lib/engine/ini_items.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

struct SectionType {
    int32_t code;
    const char16_t *name;
};

constexpr std::array<SectionType, 21> kSectionTypes{{
    {1003, u"Color Maps"},  {1004, u"Printers"},       {1005, u"Preferences"}, {1006, u"Acquisition"},
    {1007, u"Tracer"},      {1008, u"Plot"},           {1009, u"Heading"},     {1010, u"Power Monitor"},
    {1011, u"Waveform"},    {1012, u"Depth"},          {1013, u"Unit_Maps"},   {1014, u"Math Pack"},
    {1015, u"Noise"},       {1016, u"PipeTally"},      {1017, u"TVD"},         {1018, u"Critical Files"},
    {1019, u"HotKeys"},     {1020, u"CompanyInfo"},    {1021, u"Device Alias"}, {1022, u"WMemory"},
    {1023, u"Job Plan"},
}};

} // namespace

const char16_t *SectionTypeName(int32_t type) {
    for (const SectionType &entry : kSectionTypes)
        if (entry.code == type) return entry.name;
    return u"Unknown";
}

} // namespace vk::engine

extern "C" VK_API int32_t VKTypeFromDesc(const char16_t *description) {
    if (!description) return VK_ITEM_UNCLASSIFIED;
    const std::u16string_view text = vk::text::View(description);
    for (const auto &entry : vk::engine::kSectionTypes)
        if (vk::text::EqualNoCase(text, entry.name)) return entry.code;
    return VK_ITEM_UNCLASSIFIED;
}

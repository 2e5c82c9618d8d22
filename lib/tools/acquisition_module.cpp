// Calibration report formats named by a tool's acquisition module.
#include "lib/tools/acquisition_module.h"

#include <algorithm>
#include <vector>

#include "platform/module/loader.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::tools {

std::u16string ModulePath(std::u16string_view binDir, std::u16string_view software) {
    return std::u16string(binDir) + std::u16string(software) + u"32.dll";
}

int ModuleReportFormats(std::u16string_view software, std::u16string_view section,
                        const std::function<void(const std::u16string &)> &take) {
    // Modules are loaded from the program folder only: a name with a folder
    // part could lead out of it, and without the folder a bare name would be
    // looked up on the system's library path.
    if (software.empty() || software.find_first_of(u"/\\") != std::u16string_view::npos) return 0;
    const std::u16string_view binDir = vk::text::View(VKGetTalvernDir(DirBin));
    if (binDir.empty()) return 0;
    vk::module::Library module;
    if (!module.Open(ModulePath(binDir, software))) return 0;
    const auto query = module.Function<GetSoftwSpecificFn>("GetSoftwSpecific");
    if (!query) return 0;

    // One spare character past the module's buffer, never written by it:
    // whatever the module leaves, the name read ends there at the latest.
    std::vector<char16_t> buffer(kModuleBufferChars + 1, u'\0');
    const std::u16string_view first = section.substr(0, std::min(section.size(), kModuleBufferChars - 1));
    std::copy(first.begin(), first.end(), buffer.begin());
    int count = 0;
    for (int index = 0; index < kMaxModuleNames; ++index) {
        if (query(u"CALREPFORMAT", index, 0, buffer.data(), 0) == 0) break;
        buffer[kModuleBufferChars - 1] = u'\0';
        buffer[kModuleBufferChars] = u'\0';
        // The name is lower-cased in place: the next call gets the buffer as
        // this one left it.
        const std::u16string lower = vk::text::Lower(vk::text::View(buffer.data()));
        if (lower.size() < kModuleBufferChars) std::copy(lower.begin(), lower.end(), buffer.begin());
        take(std::u16string(buffer.data()));
        ++count;
    }
    return count;
}

} // namespace vk::tools

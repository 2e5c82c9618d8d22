#include "app/shell/run_outcome.h"

#include <cstdio>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::app {

std::u16string ArchiveMissingReason(std::u16string_view path) {
    if (path.empty()) return fs::ErrorText(fs::kErrorFileNotFound);
    fs::FileInfo info;
    if (!fs::Stat(path, info) || !info.exists) {
        const uint32_t error = fs::LastError();
        return fs::ErrorText(error != fs::kErrorSuccess ? error : fs::kErrorFileNotFound);
    }
    if (info.directory) return u"it is a folder, not an archive";
    return {};
}

std::u16string FolderUnwritableReason(std::u16string_view archive) {
    std::u16string folder = fs::ParentFolder(archive);
    if (folder.empty()) folder = fs::CurrentDirectory();
    // The only sure test is making something there: a private folder that is
    // removed at once.
    const std::u16string probe = fs::MakeUniqueFolder(folder, u".vkprobe");
    if (probe.empty()) return fs::ErrorText(fs::LastError());
    fs::RemoveDirectory(probe);
    return {};
}

void PrintOutcome(std::u16string_view line, bool failed) {
    const std::string text = "vaultkeep: " + text::ToUtf8(line) + "\n";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    if (failed) std::fputs(text.c_str(), stderr);
}

} // namespace vk::app

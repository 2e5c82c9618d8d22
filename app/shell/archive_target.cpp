#include "app/shell/archive_target.h"

#include <cstdint>

#include "platform/fs/fs.h"

namespace vk::app {
namespace {

// The folder of the archive, with its trailing separator.
std::u16string FolderOf(std::u16string_view archivePath) {
    std::u16string folder = fs::ParentFolder(archivePath);
    if (folder.empty()) return fs::CurrentDirectory();
    if (!fs::IsAbsolutePath(folder)) return fs::CurrentDirectory() + folder;
    return folder;
}

std::u16string Reason(std::u16string_view folder, uint32_t error) {
    std::u16string text(folder);
    text += u": ";
    text += fs::ErrorText(error);
    return text;
}

} // namespace

std::u16string ArchiveInFolder(std::u16string_view given, std::u16string_view defaultName) {
    if (given.empty()) return std::u16string(defaultName);
    if (given.back() != fs::kSep && !fs::IsDirectory(given)) return std::u16string(given);
    std::u16string path(given);
    if (path.back() != fs::kSep) path += fs::kSep;
    path += fs::FileNamePart(defaultName);
    return path;
}

std::u16string TargetFolderProblem(std::u16string_view archivePath) {
    std::u16string folder = FolderOf(archivePath);
    fs::FileInfo info;
    if (!fs::Stat(folder, info)) {
        // A folder that is not there is a missing path, not a missing file.
        const uint32_t error = fs::LastError();
        return Reason(folder, error == fs::kErrorFileNotFound ? fs::kErrorPathNotFound : error);
    }
    if (!info.directory) return Reason(folder, fs::kErrorPathNotFound);
    // Creating something is the one sure test of writing (permissions, a
    // read-only mount, quotas).
    const std::u16string probe = fs::MakeUniqueFolder(folder, u"vkprobe");
    if (probe.empty()) {
        const uint32_t error = fs::LastError();
        return Reason(folder, error ? error : fs::kErrorAccessDenied);
    }
    fs::RemoveDirectory(probe);
    return {};
}

bool TargetFreeSpace(std::u16string_view archivePath, uint64_t &freeBytes) {
    // Through the platform layer: a narrow path would take the ANSI code
    // page on Windows.
    const uint64_t available = fs::FreeSpace(FolderOf(archivePath));
    if (available == UINT64_MAX) return false;
    freeBytes = available;
    return true;
}

} // namespace vk::app

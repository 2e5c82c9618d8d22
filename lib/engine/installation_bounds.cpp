#include "lib/engine/installation_bounds.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

constexpr int kFolderCodes[] = {DirBin, DirData,   DirSpool,  DirTemp,  DirConfig, DirFax,
                                DirFormat, DirLang, DirSim, DirScript, DirBackup};

std::u16string WithSeparator(std::u16string path) {
    if (!path.empty() && path.back() != vk::fs::kSep) path.push_back(vk::fs::kSep);
    return path;
}

// True when `path` is `folder` (ending in the separator) or lies below it.
bool Within(std::u16string_view path, std::u16string_view folder) {
    if (folder.empty()) return false;
    if (path.size() + 1 == folder.size()) return folder.substr(0, path.size()) == path;
    return path.substr(0, folder.size()) == folder;
}

struct Folders {
    std::vector<std::u16string> written;  // as the installation table gives them
    std::vector<std::u16string> resolved; // with their own links resolved
};

// The folders as the installation table gives them (cheap: no file system).
std::vector<std::u16string> WrittenFolders() {
    std::vector<std::u16string> written;
    for (const int code : kFolderCodes) {
        const std::u16string folder(vk::text::View(VKGetTalvernDir(code)));
        // Only absolute folders: an empty or relative entry names no place.
        if (!vk::fs::IsAbsolutePath(folder)) continue;
        written.push_back(WithSeparator(folder));
    }
    return written;
}

std::mutex g_foldersMutex;
std::optional<Folders> g_folders;

// Resolved again when the table names other folders, and at every job's start.
Folders InstallationFolders() {
    std::vector<std::u16string> written = WrittenFolders();
    std::lock_guard<std::mutex> lock(g_foldersMutex);
    if (!g_folders || g_folders->written != written) {
        Folders folders;
        for (const std::u16string &folder : written) {
            const std::u16string real = vk::fs::ResolvePath(folder.substr(0, folder.size() - 1));
            if (!real.empty()) folders.resolved.push_back(WithSeparator(real));
        }
        folders.written = std::move(written);
        g_folders = std::move(folders);
    }
    return *g_folders;
}

} // namespace

void RefreshInstallationBounds() {
    std::lock_guard<std::mutex> lock(g_foldersMutex);
    g_folders.reset();
}

bool LinkLeavesInstallation(std::u16string_view path) {
    const Folders folders = InstallationFolders();
    bool inside = false;
    for (const std::u16string &folder : folders.written) inside = inside || Within(path, folder);
    if (!inside) return false;
    const std::u16string real = vk::fs::ResolvePath(path);
    // Nothing of it can be resolved (a folder on the way cannot be read):
    // no place to judge, and nothing can be written or read there either.
    if (real.empty()) return false;
    for (const std::u16string &folder : folders.resolved)
        if (Within(real, folder)) return false;
    for (const std::u16string &folder : folders.written)
        if (Within(real, folder)) return false;
    return true;
}

} // namespace vk::engine

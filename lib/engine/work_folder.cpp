#include "lib/engine/work_folder.h"

#include <set>

#include "common/file_helpers.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

constexpr char16_t kPrefix[] = u"wtd";

// Folders made by MakeWorkFolder and not yet removed. Function-local: the
// library's load step may run before this file's static initialisers.
std::set<std::u16string> &MadeFolders() {
    static std::set<std::u16string> folders;
    return folders;
}

std::u16string TempFolder() { return std::u16string(vk::text::View(VKGetTalvernDir(DirTemp))); }

std::u16string WithSeparator(std::u16string_view path) {
    std::u16string p(path);
    if (!p.empty() && p.back() != vk::fs::kSep) p.push_back(vk::fs::kSep);
    return p;
}

// The folder's name when it lies directly in the temporary folder and is
// named like a work folder; "" otherwise.
std::u16string NameInTemp(std::u16string_view folder) {
    const std::u16string temp = TempFolder();
    if (temp.empty() || temp.back() != vk::fs::kSep) return {};
    const std::u16string path = WithSeparator(folder);
    if (path.size() <= temp.size() + 1 || path.compare(0, temp.size(), temp) != 0) return {};
    std::u16string name = path.substr(temp.size(), path.size() - temp.size() - 1);
    if (name.find(vk::fs::kSep) != std::u16string::npos) return {};
    if (name.size() <= std::char_traits<char16_t>::length(kPrefix) || name.compare(0, 3, kPrefix) != 0) return {};
    if (name == u"." || name == u"..") return {};
    return name;
}

} // namespace

std::u16string MakeWorkFolder() {
    const std::u16string temp = TempFolder();
    if (temp.empty()) return {};
    // "wtd<run tag>_<unique>": a later run removes it should this one be killed.
    const std::u16string prefix = kPrefix + vk::fs::RunTag() + u"_";
    std::u16string folder = vk::fs::MakeUniqueFolder(temp, prefix);
    if (folder.empty()) {
        vk::CreateDirectoryTree(temp.c_str());
        folder = vk::fs::MakeUniqueFolder(temp, prefix);
    }
    if (folder.empty()) return {};
    folder = WithSeparator(folder);
    MadeFolders().insert(folder);
    // The job's records ("Backup.why") change with every item; they need to
    // be on disk only when the folder is zipped.
    vk::ini::SetScratchFolder(folder, true);
    return folder;
}

bool IsOwnWorkFolder(std::u16string_view folder) {
    const std::u16string path = WithSeparator(folder);
    if (path.empty() || MadeFolders().count(path) == 0) return false;
    if (NameInTemp(path).empty()) return false;
    vk::fs::FileInfo info;
    return vk::fs::Stat(path.substr(0, path.size() - 1), info) && info.directory && !info.symlink;
}

void RemoveLeftoversOfGoneRuns(std::u16string_view archivePath) {
    std::set<std::u16string> folders;
    const auto add = [&folders](std::u16string folder) {
        if (!folder.empty()) folders.insert(WithSeparator(folder));
    };
    add(TempFolder());
    add(vk::fs::TempDirectory()); // the archive library's spool folders
    add(vk::fs::ParentFolder(archivePath));
    // Copies being made when a restore was killed lie beside their files.
    for (const int code : {DirConfig, DirBin, DirData, DirFormat, DirScript, DirSim, DirBackup})
        add(std::u16string(vk::text::View(VKGetTalvernDir(code))));
    for (const std::u16string &folder : folders) vk::fs::RemoveLeftovers(folder);
}

bool RemoveWorkFolder(std::u16string_view folder) {
    if (!IsOwnWorkFolder(folder)) return false;
    const std::u16string path = WithSeparator(folder);
    const std::u16string name = NameInTemp(path);
    vk::ini::ForgetUnder(path);
    vk::ini::SetScratchFolder(path, false);
    const bool removed = vk::ShellDelete(name.c_str(), TempFolder().c_str());
    if (removed || !vk::fs::Exists(path)) MadeFolders().erase(path);
    return removed;
}

} // namespace vk::engine

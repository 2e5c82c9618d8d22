#include "lib/engine/paths.h"

#include <vector>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

std::u16string Replaced(std::u16string_view path, char16_t from, char16_t to) {
    std::u16string out(path);
    for (char16_t &c : out)
        if (c == from) c = to;
    return out;
}

// The directory code of the folder a type lives in.
int HomeCode(int32_t type) {
    if ((type >= 1003 && type <= 1023) || type == 1999 || (type >= 4000 && type <= 4004) || type == 4999)
        return DirConfig;
    if ((type >= 2000 && type <= 2004) || type == 2999) return DirBin;
    if (type == 3000 || type == 3999) return DirData;
    if ((type >= 5000 && type <= 5002) || (type >= 5004 && type <= 5008) || type == 5999) return DirFormat;
    if (type == 6000 || type == 6999) return DirScript;
    if (type == 7000 || type == 7999) return DirSim;
    return DirTemp;
}

} // namespace

std::u16string ToStoredKey(std::u16string_view path) { return Replaced(path, u'/', u'\\'); }
std::u16string ToNative(std::u16string_view path) { return Replaced(path, u'\\', u'/'); }

std::u16string_view FileName(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(i);
    return path;
}

std::u16string_view Extension(std::u16string_view path) {
    const std::u16string_view name = FileName(path);
    const size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
}

bool HasFolder(std::u16string_view path) {
    for (char16_t c : path)
        if (IsSeparator(c)) return true;
    return false;
}

std::u16string HomeFolder(int32_t type) { return std::u16string(vk::text::View(VKGetTalvernDir(HomeCode(type)))); }

std::u16string WorkPath(std::u16string_view workFolder, int32_t fileClass, std::u16string_view relative) {
    std::u16string path(workFolder);
    if (!path.empty() && !IsSeparator(path.back())) path.push_back(u'/');
    path += vk::text::U16(std::to_string(fileClass));
    path.push_back(u'/');
    path += ToNative(relative);
    return path;
}

std::u16string FindEntry(std::u16string_view folder, std::u16string_view relative) {
    std::u16string exact(folder);
    if (!exact.empty() && !IsSeparator(exact.back())) exact.push_back(u'/');
    exact += ToNative(relative);
    if (vk::fs::Exists(exact)) return exact;
    // Part by part: the exact name when it is there, else a name that
    // matches without regard to letter case.
    std::u16string path(folder);
    if (!path.empty() && !IsSeparator(path.back())) path.push_back(u'/');
    const std::u16string parts = ToNative(relative);
    size_t start = 0;
    while (start <= parts.size()) {
        const size_t end = std::min(parts.find(u'/', start), parts.size());
        const std::u16string part = parts.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        std::u16string found;
        if (vk::fs::Exists(path + part)) {
            found = part;
        } else {
            std::vector<vk::fs::DirEntry> entries;
            if (!vk::fs::ListDirectory(path, entries)) return exact;
            for (const vk::fs::DirEntry &e : entries) {
                if (vk::text::EqualNoCase(e.name, part)) {
                    found = e.name;
                    break;
                }
            }
            if (found.empty()) return exact;
        }
        path += found;
        if (end < parts.size()) path.push_back(u'/');
    }
    return path;
}

std::u16string FindWorkEntry(std::u16string_view workFolder, int32_t fileClass, std::u16string_view relative) {
    return FindEntry(workFolder, vk::text::U16(std::to_string(fileClass)) + u"/" + ToNative(relative));
}

} // namespace vk::engine

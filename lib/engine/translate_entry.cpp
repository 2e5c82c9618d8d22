// Where an archive entry or a restore item's path lands in the installation.
//
// Three forms of text reach this module:
// - an absolute native path ("/opt/talvern/data/Wells/a.db");
// - an entry name relative to the work folder, with '/' (as the archive
//   names it, "3000/Wells/a.db") or '\' (as "Backup.why" keys it,
//   "3000\Wells\a.db");
// - a bare file name ("units.ini").
// An absolute text is a path; a relative text with a separator is an entry
// name whose first part is its class folder.
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "lib/services/directories.h"
#include "lib/services/status.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// True when a relative native path has a ".." part (it would leave its folder).
bool ClimbsOut(std::u16string_view relative) {
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(u'/', start);
        if (end == std::u16string_view::npos) end = relative.size();
        if (relative.substr(start, end - start) == u"..") return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::u16string PathBelowDataDir(std::u16string_view path) {
    std::u16string rest;
    if (IsAbsolutePath(path)) {
        const std::u16string_view data = vk::text::View(vk::lib::TalvernDir(DirData));
        const size_t at = data.empty() ? std::u16string_view::npos : path.find(data);
        rest = at == std::u16string_view::npos ? std::u16string(FileName(path))
                                               : std::u16string(path.substr(at + data.size()));
    } else {
        size_t separator = 0;
        while (separator < path.size() && !IsSeparator(path[separator])) ++separator;
        rest = ToNative(separator < path.size() ? path.substr(separator + 1) : path);
    }
    while (!rest.empty() && rest.front() == u'/') rest.erase(0, 1);
    // A database never lands outside the data folder (or its class folder in
    // the work folder): a path that climbs out keeps only its file name.
    if (ClimbsOut(rest)) rest = std::u16string(FileName(path));
    return rest;
}

std::u16string TranslateEntry(const BackupJob &job, std::u16string_view entry, int32_t fileClass) {
    const std::u16string record = ReadMetadata(job, kFileBk, ToStoredKey(entry));
    if (!record.empty()) {
        // The class is the record's last field ("status,class" or
        // "14:label - text,class"); a label may hold commas of its own.
        const size_t comma = record.rfind(u',');
        if (comma != std::u16string::npos)
            fileClass = vk::lib::StatusOfValue(std::u16string_view(record).substr(comma + 1));
    } else if (!IsAbsolutePath(entry) && HasFolder(entry)) {
        // An entry name not recorded: its class folder names the class.
        fileClass = vk::lib::StatusOfValue(entry);
    }

    if (fileClass == 0 || fileClass == VK_ITEM_UNCLASSIFIED) return std::u16string(entry);
    if (fileClass == VK_CLASS_DATABASE) return HomeFolder(fileClass) + PathBelowDataDir(entry);
    return HomeFolder(fileClass) + std::u16string(FileName(entry));
}

} // namespace vk::engine

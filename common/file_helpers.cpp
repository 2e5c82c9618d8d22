#include "common/file_helpers.h"

#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk {
namespace {

// True when `path` (made absolute against the current folder) names the
// root of the file system ("/"; on Windows a drive or share root, "C:/" as
// well as "C:\\") once "." and ".." are resolved by their spelling.
bool ResolvesToRoot(std::u16string_view path) {
    std::u16string full;
    if (!fs::IsAbsolutePath(path)) full = fs::CurrentDirectory();
    full += path;
    size_t depth = 0;
    size_t i = fs::RootLength(full);
    while (i < full.size()) {
        while (i < full.size() && fs::IsSeparator(full[i])) ++i;
        const size_t start = i;
        while (i < full.size() && !fs::IsSeparator(full[i])) ++i;
        const std::u16string_view part(full.data() + start, i - start);
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (depth) --depth;
        } else {
            ++depth;
        }
    }
    return depth == 0;
}

// Position of the last separator, npos when there is none.
size_t LastSeparator(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (fs::IsSeparator(path[i - 1])) return i - 1;
    return std::u16string_view::npos;
}

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

bool Refuse() {
    fs::SetLastError(fs::kErrorInvalidParameter);
    return false;
}

// Removes one existing or missing path; a missing one is not an error.
bool RemovePath(std::u16string_view path) {
    if (fs::RemoveTree(path)) return true;
    const uint32_t err = fs::LastError();
    return err == fs::kErrorFileNotFound || err == fs::kErrorPathNotFound;
}

} // namespace

bool FileExists(const char16_t *path) {
    const std::u16string_view p = text::View(path);
    return !p.empty() && fs::Exists(p);
}

bool CreateDirectoryTree(const char16_t *path) {
    const std::u16string_view p = text::View(path);
    bool created = fs::CreateDirectory(p);
    if (!created && fs::LastError() == fs::kErrorPathNotFound && !p.empty()) {
        // Nothing above the root ("/", "C:/") to create.
        const size_t cut = LastSeparator(p);
        if (cut == std::u16string_view::npos || cut < fs::RootLength(p)) return false;
        const std::u16string parent(p.substr(0, cut));
        CreateDirectoryTree(parent.c_str());
        created = fs::CreateDirectory(p);
    }
    if (created) return true;
    switch (fs::LastError()) {
    case fs::kErrorSuccess:
    case fs::kErrorFileNotFound: return true;
    // Something of that name exists: good only when it is a folder.
    case fs::kErrorAlreadyExists: return fs::IsDirectory(p);
    default: return false;
    }
}

void CreateEmptyTextFile(const char16_t *path) {
    fs::Writer writer;
    if (writer.Open(text::View(path), true)) writer.Close();
}

bool MatchWildcard(std::u16string_view pattern, std::u16string_view name) {
    // "*.*" matches every name, also one without a dot.
    if (pattern == u"*.*") pattern = u"*";
    size_t p = 0, n = 0;
    size_t starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || text::FoldCase(pattern[p]) == text::FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool ShellDelete(const char16_t *name, const char16_t *prefix) {
    const std::u16string_view namePart = text::View(name);
    if (namePart.empty()) return Refuse(); // never the whole prefix folder
    std::u16string path(text::View(prefix));
    path += namePart;

    // The last component decides what is deleted.
    std::u16string_view trimmed = path;
    while (!trimmed.empty() && fs::IsSeparator(trimmed.back())) trimmed.remove_suffix(1);
    const size_t slash = LastSeparator(trimmed);
    const std::u16string_view last = slash == std::u16string_view::npos ? trimmed : trimmed.substr(slash + 1);
    if (last.empty() || last == u"." || last == u".." || ResolvesToRoot(trimmed)) return Refuse();

    if (!HasWildcard(last)) return RemovePath(path);

    // A pattern: every matching entry of its folder.
    const std::u16string folder(slash == std::u16string_view::npos ? std::u16string_view(u"./")
                                                                   : trimmed.substr(0, slash + 1));
    if (ResolvesToRoot(folder)) return Refuse();
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(folder, entries)) {
        const uint32_t err = fs::LastError();
        return err == fs::kErrorFileNotFound || err == fs::kErrorPathNotFound;
    }
    bool ok = true;
    for (const fs::DirEntry &entry : entries) {
        if (!MatchWildcard(last, entry.name)) continue;
        if (!RemovePath(folder + entry.name)) ok = false;
    }
    return ok;
}

} // namespace vk

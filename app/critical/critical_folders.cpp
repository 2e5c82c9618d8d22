// The numbered critical backup folders: finding the most recent, pruning the
// oldest and making the next.
#include <cstdio>
#include <vector>

#include "app/critical/critical_backup.h"
#include "common/file_helpers.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

void SetReasonWhenEmpty(CriticalContext &context) {
    if (context.reason && context.reason[0] == u'\0')
        CopyBounded(context.reason, kReasonChars, text::View(LMGetString(context.module, 3004)));
}

void Pump(const CriticalContext &context) {
    if (context.pump) context.pump();
}

std::u16string FolderName(std::u16string_view root, std::u16string_view prefix, unsigned number) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%05X", number);
    std::u16string path(root);
    path += prefix;
    for (const char *c = hex; *c; ++c) path += static_cast<char16_t>(*c);
    return path;
}

} // namespace

bool IsCriticalFolderName(std::u16string_view name) {
    const std::u16string_view prefix = kCriticalPrefix;
    if (name.size() < prefix.size() + 5 || name.substr(0, prefix.size()) != prefix) return false;
    for (char16_t c : name.substr(prefix.size()))
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
    return true;
}

CriticalScan FindCriticalFolders(CriticalContext &context, const std::u16string &root, int limit) {
    CriticalScan scan;
    if (root.empty()) {
        SetReasonWhenEmpty(context);
        return scan;
    }
    if (!fs::Exists(root)) {
        fs::CreateDirectory(root);
        SetReasonWhenEmpty(context);
        return scan;
    }

    struct Found {
        std::u16string name;
        uint64_t time;
    };
    std::vector<Found> folders;
    std::vector<fs::DirEntry> entries;
    if (fs::ListDirectory(root, entries)) {
        for (const fs::DirEntry &entry : entries) {
            // Only real folders of the names this run makes: a link or a
            // user's folder that merely contains "KEY" is never pruned.
            if (entry.directory && !entry.symlink && IsCriticalFolderName(entry.name))
                folders.push_back({entry.name, entry.writeTime});
            Pump(context);
        }
    }
    scan.count = static_cast<int>(folders.size());
    if (folders.empty()) {
        SetReasonWhenEmpty(context);
        return scan;
    }

    size_t newest = 0;
    for (size_t i = 1; i < folders.size(); ++i)
        if (folders[i].time > folders[newest].time) newest = i;
    scan.newest = root + folders[newest].name;

    if (scan.count > limit) {
        // The oldest, never the folder the change detection compares with;
        // a folder dated in the future is not taken as the oldest.
        const uint64_t now = fs::NowFileTime();
        const Found *oldest = nullptr;
        for (size_t i = 0; i < folders.size(); ++i) {
            if (i == newest || folders[i].time >= now) continue;
            if (!oldest || folders[i].time < oldest->time) oldest = &folders[i];
        }
        if (oldest && ShellDelete(oldest->name.c_str(), root.c_str())) scan.pruned = oldest->name;
    }
    return scan;
}

bool CreateNumberedFolder(const std::u16string &root, std::u16string_view prefix, std::u16string &path) {
    path.clear();
    if (root.empty()) return false; // never a folder relative to wherever the program runs
    for (unsigned i = 1; i <= kMaxFolderNumber; ++i) {
        std::u16string candidate = FolderName(root, prefix, i);
        if (fs::Exists(candidate)) continue;
        if (fs::CreateDirectory(candidate)) {
            path = std::move(candidate);
            return true;
        }
        ShowSystemError(nullptr, candidate, false);
        return false;
    }
    return false;
}

} // namespace vk::app

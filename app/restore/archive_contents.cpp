#include "app/restore/archive_contents.h"

#include <ctime>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::app {
namespace {

constexpr char16_t kUtility[] = u"Talvern Backup Utility";

// What the open step has learnt so far; the progress procedure has no
// context argument, so it finds the listing here.
struct Listing {
    ArchiveContents *out = nullptr;
    std::vector<std::u16string> files; // destination paths of code 2
    std::u16string servicesFile;
    std::u16string toolsFile;
    std::vector<std::pair<std::u16string, std::u16string>> settings; // type name, "section[,key]"
};
Listing *g_listing = nullptr;

int ListingProgress(int code, intptr_t value, const char16_t *text) {
    Listing *l = g_listing;
    if (!l) {
        // Item calls of the restore: failures are counted and reported by
        // the run, not shown one by one.
        ui::PumpMessages();
        return 0;
    }
    ArchiveSummary &s = l->out->summary;
    switch (code) {
    case 1: s.entries = reinterpret_cast<intptr_t>(text); break;
    case 2: l->files.emplace_back(text::View(text)); break;
    case 6: s.workFolder = text::View(text); break;
    case 7: l->servicesFile = text::View(text); break;
    case 8: l->toolsFile = text::View(text); break;
    case 10: s.created = value ? *reinterpret_cast<const uint64_t *>(value) : 0; break;
    case 12: s.appended = value ? *reinterpret_cast<const uint64_t *>(value) : 0; break;
    case 11:
        l->settings.emplace_back(text::View(reinterpret_cast<const char16_t *>(value)), text::View(text));
        break;
    case 13: s.damaged.emplace_back(text::View(text)); break;
    default: break;
    }
    ui::PumpMessages();
    return 0;
}

bool StartsWith(std::u16string_view path, const char16_t *folder) {
    return folder && *folder && path.substr(0, text::View(folder).size()) == text::View(folder);
}

// The home folder of a destination, named as a user knows it. The data
// folder comes first: it may lie inside another one.
std::u16string HomeOf(std::u16string_view destination) {
    static const std::pair<int, const char16_t *> kHomes[] = {
        {DirData, u"Data"},     {DirConfig, u"Config"}, {DirFormat, u"Format"},
        {DirScript, u"Script"}, {DirSim, u"Sim"},       {DirBin, u"Program"},
    };
    for (const auto &[code, label] : kHomes)
        if (StartsWith(destination, VKGetTalvernDir(code))) return label;
    return u"Other";
}

// Entries that are not files of their own: outside any folder (the metadata,
// the service and tool collections), or the two main settings files, which
// come back as settings items.
bool IsFileEntry(std::u16string_view destination) {
    const size_t sep = destination.rfind(fs::kSep);
    if (sep == std::u16string_view::npos) return false;
    const std::u16string_view name = destination.substr(sep + 1);
    return !text::EqualNoCase(name, u"WProperties.ini") && !text::EqualNoCase(name, u"talvern.ini");
}

std::u16string HostProperties() {
    const char16_t *config = VKGetTalvernDir(DirConfig);
    return std::u16string(config ? config : u"") + u"WProperties.ini";
}
std::u16string InstalledDatabase(const char16_t *name) {
    const char16_t *config = VKGetTalvernDir(DirConfig);
    return std::u16string(config ? config : u"") + name;
}

// A numbered list "1", "2", ... of a section, up to the first missing number.
std::vector<std::u16string> NumberedList(std::u16string_view section, std::u16string_view file) {
    std::vector<std::u16string> values;
    for (int n = 1;; ++n) {
        std::u16string value = ini::ReadString(section, text::U16(std::to_string(n)), u"", file);
        if (value.empty()) break;
        values.push_back(std::move(value));
    }
    return values;
}

void AddFiles(ArchiveContents &out, Listing &l) {
    for (const std::u16string &destination : l.files) {
        if (!IsFileEntry(destination)) continue;
        RestoreItem item;
        item.group = RestoreGroup::Files;
        item.type = VK_ITEM_FILE;
        item.path = destination;
        item.home = HomeOf(destination);
        VKRestoreFileView(out.job, VK_ITEM_FILE, destination.c_str(), &item.view);
        item.label = fs::FileNamePart(destination);
        // A newer installed file, and one the restore would not touch, stay
        // unchecked: restoring them takes something away or does nothing.
        item.checkedByDefault = item.view.state != VK_VIEW_NEWER && item.view.action != VK_ACTION_SKIP &&
                                item.view.action != VK_ACTION_KEEP;
        out.items.push_back(std::move(item));
    }
}

void AddSettings(ArchiveContents &out, const Listing &l) {
    for (const auto &[typeName, text] : l.settings) {
        RestoreItem item;
        item.group = RestoreGroup::Settings;
        item.type = VKTypeFromDesc(typeName.c_str());
        const size_t comma = text.find(u',');
        item.name = text.substr(0, comma);
        if (comma != std::u16string::npos) item.key = text.substr(comma + 1);
        item.label = item.key.empty() ? item.name : item.name + u" / " + item.key;
        item.path = HostProperties();
        item.checkedByDefault = item.type != VK_ITEM_UNCLASSIFIED;
        out.items.push_back(std::move(item));
    }
}

// Whether the archive holds the database as a file of its own: then the file
// brings every definition back, and the single items start unchecked.
bool HoldsAsFile(const ArchiveContents &out, const char16_t *name) {
    for (const RestoreItem &item : out.items)
        if (item.group == RestoreGroup::Files && text::EqualNoCase(item.label, name)) return true;
    return false;
}

void AddServicesAndTools(ArchiveContents &out, const Listing &l) {
    const bool servicesAsFile = HoldsAsFile(out, u"services.ini");
    const bool toolsAsFile = HoldsAsFile(out, u"tools.ini");
    if (!l.servicesFile.empty() && fs::Exists(l.servicesFile)) {
        for (const std::u16string &service : NumberedList(u"Service", l.servicesFile)) {
            RestoreItem item;
            item.group = RestoreGroup::Services;
            item.type = VK_ITEM_SERVICE;
            item.name = service;
            item.label = service;
            item.path = InstalledDatabase(u"services.ini");
            item.checkedByDefault = !servicesAsFile;
            out.items.push_back(std::move(item));
        }
    }
    if (!l.toolsFile.empty() && fs::Exists(l.toolsFile)) {
        for (const std::u16string &tool : NumberedList(u"Tools", l.toolsFile)) {
            for (const std::u16string &serial : NumberedList(tool, l.toolsFile)) {
                RestoreItem item;
                item.group = RestoreGroup::Tools;
                item.type = VK_ITEM_TOOL;
                item.name = tool;
                item.key = serial;
                item.label = tool + u" " + serial;
                item.path = InstalledDatabase(u"tools.ini");
                item.checkedByDefault = !toolsAsFile;
                out.items.push_back(std::move(item));
            }
        }
    }
}

} // namespace

bool OpenArchiveContents(VKHWND owner, std::u16string_view path, uint32_t flags, int32_t *stopFlag,
                         ArchiveContents &out) {
    CloseArchiveContents(out);
    out = ArchiveContents{};
    ArchiveSummary &s = out.summary;
    s.path = path;
    fs::FileInfo info;
    if (!fs::Stat(path, info) || !info.exists) {
        const uint32_t error = fs::LastError();
        s.problem = fs::ErrorText(error ? error : fs::kErrorFileNotFound);
        return false;
    }
    if (info.directory) {
        s.problem = u"This is a folder, not an archive.";
        return false;
    }
    s.size = info.size;

    Listing listing;
    listing.out = &out;
    g_listing = &listing;
    const std::u16string archive(path);
    out.job = VKRestoreInit(owner, flags, 0, archive.c_str(), u".conf.vkb", &ListingProgress, stopFlag);
    g_listing = nullptr;
    if (!out.job) {
        s.problem = u"The file cannot be used as an archive: it is damaged, of an unknown version, or no "
                    u"archive at all.";
        return false;
    }
    if (s.workFolder.empty()) {
        // No listing at all: the library took the file as a plain source.
        s.plain = true;
        s.problem = u"This is not an archive of this system (no contents could be read from it).";
        CloseArchiveContents(out);
        return false;
    }
    const std::u16string why = s.workFolder + u"Backup.why";
    s.version = ini::ReadString(kUtility, u"BackupVersion", u"8.0", why);
    s.createdBy = ini::ReadString(kUtility, u"CreatedBy", u"", why);
    // Every comment the archive holds: one per backup written into it.
    s.comments = NumberedList(u"Comment", why);
    AddFiles(out, listing);
    AddSettings(out, listing);
    AddServicesAndTools(out, listing);
    return true;
}

void CloseArchiveContents(ArchiveContents &contents) {
    if (contents.job) VKRestoreClose(contents.job);
    contents.job = nullptr;
}

std::u16string FileTimeText(uint64_t fileTime) {
    if (fileTime == 0) return u"never";
    const std::time_t seconds = static_cast<std::time_t>(fileTime / 10000000ULL) - 11644473600LL;
    char buffer[32] = {};
    if (const std::tm *t = std::localtime(&seconds)) std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", t);
    return text::FromUtf8(buffer);
}

std::vector<std::u16string> SummaryLines(const ArchiveSummary &s) {
    std::vector<std::u16string> lines;
    lines.push_back(u"Archive: " + s.path);
    lines.push_back(u"Created: " + FileTimeText(s.created) + u"; appended: " + FileTimeText(s.appended));
    lines.push_back(u"Written by: version " + s.version + (s.createdBy.empty() ? u"" : u" (" + s.createdBy + u")"));
    for (const std::u16string &c : s.comments) lines.push_back(u"Comment: " + c);
    lines.push_back(u"Entries: " + text::U16(std::to_string(s.entries)) + u"; size: " +
                    text::U16(std::to_string(s.size)) + u" bytes");
    if (!s.damaged.empty())
        lines.push_back(u"Damaged: " + text::U16(std::to_string(s.damaged.size())) +
                        u" entries could not be unpacked (first: " + s.damaged.front() + u")");
    if (!s.problem.empty()) lines.push_back(s.problem);
    return lines;
}

namespace {

struct GroupTexts {
    RestoreGroup group;
    std::u16string_view name;
    std::u16string_view word;
};
constexpr GroupTexts kGroupTexts[] = {
    {RestoreGroup::Files, u"Files", u"file"},
    {RestoreGroup::Settings, u"Settings", u"settings"},
    {RestoreGroup::Services, u"Services", u"service"},
    {RestoreGroup::Tools, u"Tools", u"tool"},
};

const GroupTexts &TextsOf(RestoreGroup group) {
    for (const GroupTexts &t : kGroupTexts)
        if (t.group == group) return t;
    return kGroupTexts[0];
}

} // namespace

std::u16string_view GroupName(RestoreGroup group) { return TextsOf(group).name; }
std::u16string_view GroupWord(RestoreGroup group) { return TextsOf(group).word; }

std::u16string_view ViewStateText(int32_t state) {
    switch (state) {
    case VK_VIEW_MISSING: return u"missing";
    case VK_VIEW_OLDER: return u"older";
    case VK_VIEW_EQUAL: return u"equal";
    case VK_VIEW_NEWER: return u"newer";
    default: return u"not in archive";
    }
}

std::u16string_view ViewActionText(const VKFileView &view) {
    switch (view.action) {
    case VK_ACTION_COPY: return u"restore";
    case VK_ACTION_KEEP: return u"keep installed";
    case VK_ACTION_ASK: return u"ask";
    default: return u"skip";
    }
}

} // namespace vk::app

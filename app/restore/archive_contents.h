// What a configuration archive holds, as the restore shows it: the summary
// (dates, the version that wrote it, comments, entries, size, damage) and the
// items grouped the way a user thinks of them (files by home folder, settings
// of the main properties file, services, tools), each file with the version
// policy's view of its installed copy.
//
// Opening an archive leaves its restore job open; the restore run takes the
// items from it, and CloseArchiveContents ends it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vaultkeeplib.h"

namespace vk::app {

enum class RestoreGroup { Files, Settings, Services, Tools };

struct RestoreItem {
    RestoreGroup group = RestoreGroup::Files;
    int32_t type = VK_ITEM_FILE; // the VKRestore item type
    std::u16string name;         // settings: section; services: service; tools: tool
    std::u16string key;          // settings: key ("" for the whole section); tools: serial number
    std::u16string path;         // files: the destination; services, tools: the installed database
    std::u16string home;         // files: "Config", "Format", "Data", "Script", "Sim", "Program", "Other"
    std::u16string label;        // the item's text in lists and trees
    VKFileView view{};           // files: the version policy's view
    bool checkedByDefault = true;
};

struct ArchiveSummary {
    std::u16string path;
    uint64_t created = 0;  // file times; 0 when not recorded
    uint64_t appended = 0;
    std::u16string version;   // "BackupVersion" ("8.0" when missing)
    std::u16string createdBy; // "CreatedBy" ("" for archives of other programs)
    std::vector<std::u16string> comments;
    intptr_t entries = 0;     // entries the archive announced
    uint64_t size = 0;        // bytes of the archive file
    std::vector<std::u16string> damaged; // entries that could not be unpacked
    bool plain = false;       // a plain file, not an archive
    std::u16string workFolder;
    std::u16string problem;   // why the archive cannot be used; "" when it can
};

struct ArchiveContents {
    BackupJob *job = nullptr; // the open restore job
    ArchiveSummary summary;
    std::vector<RestoreItem> items;
};

// Opens `path` with the library (flags as for VKRestoreInit; the program's
// stop flag is polled) and lists what it holds. False, with summary.problem
// saying why in words, when the archive cannot be used; no job stays open
// then.
bool OpenArchiveContents(VKHWND owner, std::u16string_view path, uint32_t flags, int32_t *stopFlag,
                         ArchiveContents &out);
// Ends the restore job of the contents (and its work folder).
void CloseArchiveContents(ArchiveContents &contents);

// The summary as lines of text: archive, created, appended, written by,
// comments, entries and size, and damage.
std::vector<std::u16string> SummaryLines(const ArchiveSummary &summary);

// The group's name in the tree ("Files", "Settings", "Services", "Tools") and
// its word in listings ("file", "settings", "service", "tool").
std::u16string_view GroupName(RestoreGroup group);
std::u16string_view GroupWord(RestoreGroup group);

// Texts of a file's view: "missing", "older", "equal", "newer", "not in
// archive"; and what the restore would do: "restore", "keep installed",
// "ask", "skip".
std::u16string_view ViewStateText(int32_t state);
std::u16string_view ViewActionText(const VKFileView &view);

// A file time as "yyyy-mm-dd hh:mm:ss" local time; "never" for 0.
std::u16string FileTimeText(uint64_t fileTime);

} // namespace vk::app

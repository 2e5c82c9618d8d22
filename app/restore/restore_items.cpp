#include "app/restore/restore_items.h"

#include <set>

#include "common/format.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::app {
namespace {

constexpr char16_t kUndoPrefix[] = u"pre-restore-";

std::u16string Number(size_t n) { return text::U16(std::to_string(n)); }

// Failures while saving are counted by the item calls; no dialog per file.
int QuietProgress(int /*code*/, intptr_t /*value*/, const char16_t * /*text*/) {
    ui::PumpMessages();
    return 0;
}

// What the undo archive must hold for the chosen items: the installed files
// that would be replaced, the main properties file (its sections travel as
// settings items, as in every backup), and the service and tool databases as
// whole files.
struct UndoList {
    std::vector<std::pair<int32_t, std::u16string>> files; // item type, installed path
};

UndoList ListUndo(const ArchiveContents &contents, const std::vector<size_t> &chosen) {
    UndoList list;
    std::set<std::u16string> databases;
    for (size_t index : chosen) {
        const RestoreItem &item = contents.items[index];
        switch (item.group) {
        case RestoreGroup::Files:
            if (item.view.state != VK_VIEW_MISSING && item.view.state != VK_VIEW_NOT_IN_ARCHIVE &&
                (item.view.action == VK_ACTION_COPY || item.view.action == VK_ACTION_ASK))
                list.files.emplace_back(item.view.fileClass, item.path);
            break;
        case RestoreGroup::Settings:
            if (fs::Exists(item.path) && databases.insert(item.path).second)
                list.files.emplace_back(VK_ITEM_FILE, item.path);
            break;
        case RestoreGroup::Services:
        case RestoreGroup::Tools:
            if (fs::Exists(item.path) && databases.insert(item.path).second)
                list.files.emplace_back(VK_CLASS_CONFIG_INI, item.path);
            break;
        }
    }
    return list;
}

// Saves the installed versions into a new undo archive; "" and a problem when
// they could not all be saved (no archive is left then).
std::u16string SaveInstalled(const ArchiveContents &contents, const UndoList &list, std::u16string_view backupFolder,
                             VKHWND owner, int32_t *stopFlag, std::u16string &problem) {
    const std::u16string path = UndoArchivePath(backupFolder);
    const std::u16string comment = u"-Comment 'Installed versions before the restore of " +
                                   fs::FileNamePart(contents.summary.path) + u"'";
    BackupJob *job = VKBackupInit(owner, VKF_OVERWRITE, 0, path.c_str(), u".conf.vkb", &QuietProgress, stopFlag,
                                  comment.c_str());
    if (!job) {
        problem = u"The installed versions could not be saved (no undo archive " + path + u"); nothing was restored.";
        return {};
    }
    int failed = 0;
    for (const auto &[fileClass, file] : list.files)
        if (VKBackup(job, fileClass, 0, 0, nullptr, nullptr, file.c_str()) != StatusOk) ++failed;
    const bool stopped = stopFlag && *stopFlag == 1;
    const bool written = VKBackupClose(job) != 0;
    if (written && failed == 0 && !stopped) return path;
    if (written) fs::DeleteFile(path);
    problem = stopped ? u"Stopped before anything was restored."
                      : u"The installed versions could not all be saved (" + Number(static_cast<size_t>(failed)) +
                            u" failed; see the results report); nothing was restored.";
    return {};
}

// The report of the restore names its undo archive at the end, in the
// report's own single-byte text with CR LF line ends.
void AddLine(std::string &bytes, std::u16string_view line) {
    for (char16_t c : line) bytes += c < 0x100 ? static_cast<char>(c) : '?';
    bytes += "\r\n";
}

void NameUndoInReport(const RestoreOutcome &outcome) {
    std::string bytes;
    if (outcome.undoArchive.empty() || outcome.report.empty() || !fs::ReadWhole(outcome.report, bytes)) return;
    bytes += "\r\n\r\n*** UNDO ARCHIVE ***\r\n\r\n";
    AddLine(bytes, u"Restoring this archive puts back what the restore replaced: " + outcome.undoArchive);
    if (!outcome.added.empty()) {
        AddLine(bytes, u"");
        AddLine(bytes, u"Files the restore added where none was installed (remove them to go back fully):");
        for (const std::u16string &file : outcome.added) AddLine(bytes, file);
    }
    fs::WriteAtomic(outcome.report, bytes);
}

int32_t RestoreItemCall(BackupJob *job, const RestoreItem &item) {
    switch (item.group) {
    case RestoreGroup::Files:
        return VKRestore(job, item.view.fileClass, 0, 0, nullptr, nullptr, item.path.c_str());
    case RestoreGroup::Settings:
        return VKRestore(job, item.type, 0, 0, item.name.c_str(), item.key.empty() ? nullptr : item.key.c_str(),
                         nullptr);
    case RestoreGroup::Services:
        return VKRestore(job, VK_ITEM_SERVICE, 0, 0, item.name.c_str(), nullptr, item.path.c_str());
    case RestoreGroup::Tools:
        return VKRestore(job, VK_ITEM_TOOL, 0, 0, item.name.c_str(), item.key.c_str(), nullptr);
    }
    return StatusFailed;
}

bool Skipped(int status) {
    return status == StatusSkipOne || status == StatusSkipAll || status == StatusDestinationExists ||
           status == StatusDestinationNewer || status == StatusNotTranslated || status == StatusCancelled;
}

} // namespace

std::u16string UndoArchivePath(std::u16string_view backupFolder) {
    const fs::LocalTime t = fs::NowLocal();
    char16_t stamp[64];
    FormatBounded(stamp, 64, u"%04d-%02d-%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::u16string folder(backupFolder);
    if (!folder.empty() && folder.back() != fs::kSep) folder += fs::kSep;
    const std::u16string base = folder + kUndoPrefix + stamp;
    std::u16string path = base + u".conf.vkb";
    for (int n = 2; fs::Exists(path); ++n) path = base + u"-" + Number(static_cast<size_t>(n)) + u".conf.vkb";
    return path;
}

bool IsUndoArchive(std::u16string_view path) {
    const std::u16string name = fs::FileNamePart(path);
    return text::StartsWithNoCase(name, kUndoPrefix);
}

RestoreOutcome RestoreChosenItems(ArchiveContents &contents, const std::vector<size_t> &chosen,
                                  std::u16string_view backupFolder, VKHWND owner, int32_t *stopFlag,
                                  RestoreStep step) {
    RestoreOutcome outcome;
    const UndoList undo = ListUndo(contents, chosen);
    if (!undo.files.empty()) {
        outcome.undoArchive = SaveInstalled(contents, undo, backupFolder, owner, stopFlag, outcome.problem);
        if (outcome.undoArchive.empty()) {
            outcome.stopped = stopFlag && *stopFlag == 1;
            CloseArchiveContents(contents);
            outcome.report = text::View(VKLastResultsReport());
            return outcome;
        }
    }
    size_t done = 0;
    for (size_t index : chosen) {
        if (stopFlag && *stopFlag == 1) {
            outcome.stopped = true;
            break;
        }
        const RestoreItem &item = contents.items[index];
        const int status = RestoreItemCall(contents.job, item);
        if (status == StatusOk) {
            ++outcome.restored;
            if (item.group == RestoreGroup::Files && item.view.state == VK_VIEW_MISSING) outcome.added.push_back(item.path);
        }
        else if (Skipped(status)) ++outcome.skipped;
        else ++outcome.failed;
        if (status == StatusCancelled) outcome.stopped = true;
        ++done;
        if (step) step(done, chosen.size(), item.label);
    }
    // Items not reached after a stop were skipped.
    outcome.skipped += static_cast<int>(chosen.size() - done);
    CloseArchiveContents(contents);
    outcome.report = text::View(VKLastResultsReport());
    NameUndoInReport(outcome);
    // Nothing was replaced: the saved versions are not needed.
    if (outcome.restored == 0 && outcome.failed == 0 && !outcome.undoArchive.empty()) {
        fs::DeleteFile(outcome.undoArchive);
        outcome.undoArchive.clear();
    }
    return outcome;
}

std::u16string OutcomeText(const RestoreOutcome &o) {
    if (!o.problem.empty()) return o.problem;
    std::u16string textOut = o.stopped ? u"Restore stopped: " : u"Restore completed: ";
    textOut += Number(static_cast<size_t>(o.restored)) + u" restored, " + Number(static_cast<size_t>(o.skipped)) +
               u" skipped, " + Number(static_cast<size_t>(o.failed)) + u" failed";
    textOut += o.undoArchive.empty() ? u"; nothing to undo" : u"; undo archive " + o.undoArchive;
    if (!o.report.empty()) textOut += u"; report " + o.report;
    return textOut;
}

} // namespace vk::app

#include "app/shell/restore_words.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/restore/archive_contents.h"
#include "app/restore/restore_items.h"
#include "app/shell/app_state.h"
#include "app/shell/run_outcome.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

void Print(std::u16string_view line) {
    const std::string textOut = text::ToUtf8(line) + "\n";
    std::fputs(textOut.c_str(), stdout);
}

std::u16string Number(long long n) { return text::U16(std::to_string(n)); }

// One item as a line: its kind, its type, its name and what would happen.
std::u16string ItemLine(const RestoreItem &item) {
    std::u16string line(GroupWord(item.group));
    line += u" " + Number(item.group == RestoreGroup::Files ? item.view.fileClass : item.type) + u" ";
    if (item.group == RestoreGroup::Files) {
        line += item.home + u"/" + item.label + u": installed copy " + std::u16string(ViewStateText(item.view.state)) +
                u"; " + std::u16string(ViewActionText(item.view));
    } else {
        line += item.label + u": restore";
    }
    return line;
}

// Opens the archive for the words; the flags of an undo archive let its
// files come back whatever their versions.
uint32_t OpenFlags(std::u16string_view path, uint32_t flags) {
    return IsUndoArchive(path) ? flags | VKF_ANY_VERSION : flags;
}

// Opens the archive for reading only: the stop flag is down (a set flag
// stops the unpacking), and damaged entries are listed rather than shown.
bool OpenQuietly(VKHWND owner, std::u16string_view path, ArchiveContents &contents) {
    RunStart();
    const bool opened =
        OpenArchiveContents(owner, path, OpenFlags(path, VKF_QUIET), &State().stopFlag, contents);
    RunEnd();
    return opened;
}

int Refuse(std::u16string_view word, const ArchiveSummary &summary) {
    PrintOutcome(std::u16string(word) + u": " + summary.path + u": " + summary.problem, true);
    return 1;
}

// The entries "Backup.why" records as backed up (status 0) that the archive
// lacks.
std::vector<std::u16string> MissingRecordedEntries(BackupJob *job, const std::u16string &workFolder, int &recorded) {
    std::vector<std::u16string> missing;
    const std::u16string why = workFolder + u"Backup.why";
    std::vector<char16_t> names(65536);
    const uint32_t n =
        ini::GetString(u"FileBk", nullptr, u"", names.data(), static_cast<uint32_t>(names.size()), why.c_str());
    for (size_t at = 0; at < n && names[at];) {
        const std::u16string key(names.data() + at);
        at += key.size() + 1;
        const std::u16string value = ini::ReadString(u"FileBk", key, u"", why);
        if (value.substr(0, value.find(u',')) != u"0") continue; // a failed item has no entry
        ++recorded;
        // "<class>\<name>": unpacked into the work folder when the job reads
        // it itself (the main properties copy), else the entry of a file item
        // of that class, which the restore's view finds in the archive or not.
        std::u16string entry = key;
        for (char16_t &c : entry)
            if (c == u'\\') c = u'/';
        std::u16string relative = entry;
        for (char16_t &c : relative)
            if (c == u'/') c = fs::kSep;
        if (fs::Exists(workFolder + relative)) continue;
        const size_t sep = entry.find(u'/');
        const int fileClass = sep == std::u16string::npos ? 0 : std::atoi(text::ToUtf8(entry.substr(0, sep)).c_str());
        VKFileView view{};
        if (!VKRestoreFileView(job, fileClass, entry.c_str(), &view) || view.state == VK_VIEW_NOT_IN_ARCHIVE)
            missing.push_back(key);
    }
    // Settings items live in the copy of the main properties file.
    bool settings = false;
    for (int i = 1;; ++i) {
        const std::u16string value = ini::ReadString(u"IniBk", Number(i), u"", why);
        if (value.empty()) break;
        if (value.substr(0, value.find(u',')) == u"0") settings = true;
    }
    if (settings) {
        ++recorded;
        const std::u16string props = workFolder + u"1999" + fs::kSep + u"WProperties.ini";
        if (!fs::Exists(props)) missing.push_back(u"1999\\WProperties.ini");
    }
    return missing;
}

void StepProgress(size_t done, size_t total, std::u16string_view label) {
    SetStatus(label);
    SetProgress(total ? static_cast<int>(done * 100 / total) : 0);
    PumpWaitingMessages();
}

} // namespace

int ListArchive(VKHWND owner, std::u16string_view path) {
    ArchiveContents contents;
    if (!OpenQuietly(owner, path, contents)) return Refuse(u"list", contents.summary);
    for (const std::u16string &line : SummaryLines(contents.summary)) Print(line);
    for (const RestoreItem &item : contents.items) Print(ItemLine(item));
    const size_t items = contents.items.size();
    CloseArchiveContents(contents);
    PrintOutcome(u"list: " + Number(static_cast<long long>(items)) + u" items", false);
    return 0;
}

int VerifyArchive(VKHWND owner, std::u16string_view path) {
    ArchiveContents contents;
    if (!OpenQuietly(owner, path, contents)) return Refuse(u"verify", contents.summary);
    std::vector<std::u16string> problems;
    for (const std::u16string &entry : contents.summary.damaged) problems.push_back(u"damaged entry: " + entry);
    const std::u16string why = contents.summary.workFolder + u"Backup.why";
    if (!fs::Exists(why) || ini::ReadString(u"Talvern Backup Utility", u"BackupDate", u"", why).empty())
        problems.push_back(u"Backup.why is missing or holds no backup record");
    int recorded = 0;
    for (const std::u16string &entry : MissingRecordedEntries(contents.job, contents.summary.workFolder, recorded))
        problems.push_back(u"recorded item without its entry: " + entry);
    const intptr_t entries = contents.summary.entries;
    CloseArchiveContents(contents);
    for (const std::u16string &p : problems) Print(p);
    if (problems.empty()) {
        PrintOutcome(u"verify: " + std::u16string(path) + u": sound (" + Number(entries) + u" entries, " +
                         Number(recorded) + u" recorded items)",
                     false);
        return 0;
    }
    PrintOutcome(u"verify: " + std::u16string(path) + u": " + Number(static_cast<long long>(problems.size())) +
                     u" problems",
                 true);
    return 1;
}

int RestoreWholeArchive(VKHWND owner, std::u16string_view path) {
    AppState &s = State();
    ArchiveContents contents;
    RunStart();
    SetStatus(AppText(8127));
    // The command word is the confirmation: no question before the restore.
    const bool opened =
        OpenArchiveContents(owner, path, OpenFlags(path, VKF_REPORT | VKF_CONFIRMED), &s.stopFlag, contents);
    if (!opened) {
        RunEnd();
        return Refuse(u"restoreall", contents.summary);
    }
    // Every item the version policy lets through: files it would copy (or
    // ask about), the settings, and services and tools unless their whole
    // databases come back as files.
    std::vector<size_t> chosen;
    for (size_t i = 0; i < contents.items.size(); ++i) {
        const RestoreItem &item = contents.items[i];
        const bool take = item.group == RestoreGroup::Files
                              ? item.view.action == VK_ACTION_COPY || item.view.action == VK_ACTION_ASK
                              : item.checkedByDefault;
        if (take) chosen.push_back(i);
    }
    const RestoreOutcome outcome = RestoreChosenItems(contents, chosen, DirBackupFolder(), owner, &s.stopFlag,
                                                      &StepProgress);
    SetProgress(0);
    const std::u16string status = OutcomeText(outcome);
    SetStatus(status);
    RunEnd();
    s.failedItems = outcome.failed;
    s.lastReport = outcome.report;
    const bool failed = !outcome.problem.empty() || outcome.stopped;
    PrintOutcome(u"restoreall: " + status, failed || outcome.failed > 0);
    if (failed) return 1;
    return outcome.failed > 0 ? 3 : 0;
}

} // namespace vk::app

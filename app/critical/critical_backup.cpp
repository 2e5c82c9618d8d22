// The critical backup run: change detection, the copies and the note.
#include "app/critical/critical_backup.h"

#include <string>

#include "app/shell/settings.h"
#include "common/file_helpers.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::app {
namespace {

std::u16string_view Str(VKHMODULE module, uint32_t id) { return text::View(LMGetString(module, id)); }

void Pump(const CriticalContext &context) {
    if (context.pump) context.pump();
}

// The first file (not folder) of `dir` that `pattern` matches, in the order
// the folder lists; "" when none. A pattern may name a subfolder of `dir`:
// the result is then relative to `dir` as well.
std::u16string FindFirstFile(const std::u16string &dir, std::u16string_view pattern) {
    if (dir.empty() || pattern.empty()) return {};
    const size_t cut = pattern.rfind(fs::kSep);
    const std::u16string_view sub = cut == std::u16string_view::npos ? std::u16string_view() : pattern.substr(0, cut + 1);
    const std::u16string_view namePattern = cut == std::u16string_view::npos ? pattern : pattern.substr(cut + 1);
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(dir + std::u16string(sub), entries)) return {};
    for (const fs::DirEntry &entry : entries)
        if (!entry.directory && MatchWildcard(namePattern, entry.name)) return std::u16string(sub) + entry.name;
    return {};
}

std::u16string Join(const std::u16string &folder, std::u16string_view name) {
    std::u16string path = folder;
    if (!path.empty() && path.back() != fs::kSep) path += fs::kSep;
    path += name;
    return path;
}

std::u16string BackupRoot(const CriticalContext &context) {
    std::u16string root(text::View(ReadCritBackupTo(context.propertiesPath, context.dirBackup)));
    // The folders are made as root + "KEY00001": a root without its separator
    // would put them beside the root, where neither the scan nor the pruning
    // looks.
    if (!root.empty() && root.back() != fs::kSep) root += fs::kSep;
    return root;
}

} // namespace

std::vector<CopyEntry> BuildCriticalCopyList(CriticalContext &context, const std::u16string &root, int limit,
                                             CriticalScan *scanOut) {
    std::vector<CopyEntry> list;
    const CriticalScan scan = FindCriticalFolders(context, root, limit);
    if (scanOut) *scanOut = scan;
    const std::u16string configDir(text::View(context.configDir));
    const std::u16string compareDir = scan.newest.empty() ? std::u16string() : Join(scan.newest, kCriticalSubfolder) + fs::kSep;

    std::u16string entry(kSettingsItemChars, u'\0');
    bool changed = false;
    for (int n = 1;;) {
        if (ReadCriticalFileEntry(context.settingsPath, n, entry.data(), entry.size()) == 0) break;
        ++n;
        const std::u16string_view value = text::View(entry.c_str());
        const size_t semi = value.find(u';');
        const std::u16string_view pattern = value.substr(0, semi);
        const std::u16string found = FindFirstFile(configDir, pattern);
        if (found.empty()) continue;
        if (changed) {
            list.push_back({found, configDir, kCriticalSubfolder});
            continue;
        }
        // The copy lies directly in the Config subfolder under its own name.
        const size_t cut = pattern.rfind(fs::kSep);
        const std::u16string copy =
            FindFirstFile(compareDir, cut == std::u16string_view::npos ? pattern : pattern.substr(cut + 1));
        const std::u16string prefixes = semi == std::u16string_view::npos ? std::u16string() : std::u16string(value.substr(semi + 1));
        if (copy.empty() || !CompareFiles(configDir + found, compareDir + copy,
                                          semi == std::u16string_view::npos ? nullptr : prefixes.c_str())) {
            // Something changed: start again and take every critical file.
            changed = true;
            n = 1;
        }
    }
    return list;
}

void WriteBackupNote(const CriticalContext &context, const std::u16string &folder) {
    std::u16string note(text::View(context.reason));
    note += u"\n\n[Options]\n";
    note += u"Talvern=1\n";
    note += u"RestoreTo=";
    note += text::View(context.backupFrom);
    note += u"\n";
    // A text file of the system: single-byte, CR LF line ends.
    std::u16string crlf;
    for (size_t i = 0; i < note.size(); ++i) {
        if (note[i] == u'\n' && (i == 0 || note[i - 1] != u'\r')) crlf += u'\r';
        crlf += note[i];
    }
    std::string bytes;
    text::ToCp1252(crlf, bytes);
    fs::Writer writer;
    if (!writer.Open(Join(folder, kBackupNoteName), true)) return;
    writer.Write(bytes.data(), bytes.size());
    writer.Close();
}

bool ShowSystemError(VKHMODULE module, std::u16string_view caption, bool ask) {
    const std::u16string error = fs::ErrorText(fs::LastError());
    if (!ask) {
        ui::MessageBox(nullptr, error, caption, ui::kMbOk);
        return true;
    }
    std::u16string textOut = error;
    textOut += u"\n\n";
    textOut += Str(module, 3023);
    return ui::MessageBox(nullptr, textOut, caption, ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes;
}

CriticalResult RunCriticalBackup(CriticalContext &context) {
    CriticalResult result;
    const std::u16string root = BackupRoot(context);
    const int limit = ReadMaxCritBackups(context.propertiesPath);

    CriticalScan scan;
    const std::vector<CopyEntry> list = BuildCriticalCopyList(context, root, limit, &scan);
    result.pruned = scan.pruned;
    if (list.empty()) return result;

    std::u16string folder;
    if (!CreateNumberedFolder(root, kCriticalPrefix, folder)) {
        ui::MessageBox(context.mainWindow, Str(context.module, 3010), Str(context.module, 2960),
                       ui::kMbOk | ui::kMbIconWarning);
        result.outcome = CriticalOutcome::FolderFailed;
        result.folder = root; // the folder in which none could be made
        return result;
    }
    result.outcome = CriticalOutcome::BackedUp;
    result.folder = folder;

    for (const CopyEntry &entry : list) {
        const std::u16string target = Join(folder, entry.subfolder);
        CreateDirectoryTree(target.c_str());
        const std::u16string source = entry.sourceDir + entry.name;
        ini::FlushBeforeFileRead(source);
        // A failed copy does not stop the others and is not reported.
        if (fs::CopyFile(source, Join(target, fs::FileNamePart(entry.name)), false)) ++result.copied;
        Pump(context);
    }
    WriteBackupNote(context, folder);
    return result;
}

} // namespace vk::app
